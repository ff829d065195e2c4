// The rows of the path-data matrix dat(kDatRows, paths): what the trackers
// record for the k-th kept end point sol(:, k), what the duplicate check adds
// when it re-tracks the path, and what the writers read.
#pragma once

namespace hc {

// The mixed cell the path started from (polyhedral homotopy; the linear
// homotopy leaves it 0).
constexpr int kDatCell = 1;
// The start root of that cell (or of the start system) the path began at.
constexpr int kDatStart = 2;
// The path's step updates, with those of its re-tracks.
constexpr int kDatSteps = 3;
// How many times the duplicate check re-tracked the path.
constexpr int kDatRetracks = 4;
// 1 when the re-track that gave the stored point gave up: the writer leaves
// the point out.
constexpr int kDatGaveUp = 5;
// The rows of dat: the five above and a sixth that stays 0.
constexpr int kDatRows = 6;

}  // namespace hc
