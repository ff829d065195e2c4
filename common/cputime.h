// Process CPU time: user plus system seconds of this process.
#pragma once

namespace hc {

double cpu_seconds();

}  // namespace hc
