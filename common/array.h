// 1-based, column-major arrays.
//
// The numerical routines are written over arrays numbered from 1 and stored
// column by column; these small types let the code say a(i, j) and supp(j, k)
// with the same indices as the mathematics.
//
//   vec_ref<T>   view of n contiguous entries, v(1..n)
//   mat_ref<T>   view of an m x n column-major block with leading dimension ld,
//                a(1..m, 1..n); a.col(j) is column j as a vec_ref
//   vec<T>, mat<T>  owning counterparts (std::vector storage) that convert to
//                the views
//
// Views are passed by value and alias the caller's storage, as arguments
// passed by reference do.  Every index is checked when HC_BOUNDS_CHECK is
// defined (debug and sanitizer builds); release builds check nothing.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <type_traits>
#include <vector>

namespace hc {

[[noreturn]] inline void bounds_fail(const char* what, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: array index out of bounds: %s\n", file, line, what);
  std::abort();
}

#if defined(HC_BOUNDS_CHECK)
#define HC_CHECK(cond) ((cond) ? (void)0 : ::hc::bounds_fail(#cond, __FILE__, __LINE__))
#else
#define HC_CHECK(cond) ((void)0)
#endif

template <class T>
class vec_ref {
 public:
  vec_ref() = default;
  vec_ref(T* p, int n) : p_(p), n_(n) { HC_CHECK(n >= 0); }
  // A view of non-const entries converts to a view of const ones.
  template <class U, class = std::enable_if_t<std::is_same_v<const U, T> && !std::is_same_v<U, T>>>
  vec_ref(vec_ref<U> v) : p_(v.data()), n_(v.size()) {}

  T& operator()(int i) const {
    HC_CHECK(1 <= i && i <= n_);
    return p_[i - 1];
  }
  int size() const { return n_; }
  T* data() const { return p_; }
  // Entries first..first+len-1 as a view numbered from 1.
  vec_ref sub(int first, int len) const {
    HC_CHECK(first >= 1 && len >= 0 && first - 1 + len <= n_);
    return vec_ref(p_ + (first - 1), len);
  }
  T* begin() const { return p_; }
  T* end() const { return p_ + n_; }

 private:
  T* p_ = nullptr;
  int n_ = 0;
};

template <class T>
class mat_ref {
 public:
  mat_ref() = default;
  mat_ref(T* p, int m, int n) : mat_ref(p, m, n, m) {}
  mat_ref(T* p, int m, int n, int ld) : p_(p), m_(m), n_(n), ld_(ld) {
    HC_CHECK(m >= 0 && n >= 0 && ld >= m);
  }
  template <class U, class = std::enable_if_t<std::is_same_v<const U, T> && !std::is_same_v<U, T>>>
  mat_ref(mat_ref<U> a) : p_(a.data()), m_(a.rows()), n_(a.cols()), ld_(a.ld()) {}

  T& operator()(int i, int j) const {
    HC_CHECK(1 <= i && i <= m_ && 1 <= j && j <= n_);
    return p_[(i - 1) + static_cast<std::ptrdiff_t>(j - 1) * ld_];
  }
  int rows() const { return m_; }
  int cols() const { return n_; }
  int ld() const { return ld_; }
  T* data() const { return p_; }
  vec_ref<T> col(int j) const {
    HC_CHECK(1 <= j && j <= n_);
    return vec_ref<T>(p_ + static_cast<std::ptrdiff_t>(j - 1) * ld_, m_);
  }
  // Rows i0..i0+mm-1 of columns j0..j0+nn-1, numbered from 1.
  mat_ref block(int i0, int j0, int mm, int nn) const {
    HC_CHECK(i0 >= 1 && j0 >= 1 && mm >= 0 && nn >= 0 && i0 - 1 + mm <= m_ && j0 - 1 + nn <= n_);
    return mat_ref(p_ + (i0 - 1) + static_cast<std::ptrdiff_t>(j0 - 1) * ld_, mm, nn, ld_);
  }

 private:
  T* p_ = nullptr;
  int m_ = 0, n_ = 0, ld_ = 0;
};

template <class T>
class vec {
 public:
  vec() = default;
  explicit vec(int n, const T& x = T()) : v_(check_size(n), x) {}
  vec(std::initializer_list<T> l) : v_(l) {}

  void assign(int n, const T& x = T()) { v_.assign(check_size(n), x); }
  T& operator()(int i) {
    HC_CHECK(1 <= i && i <= size());
    return v_[static_cast<std::size_t>(i - 1)];
  }
  const T& operator()(int i) const {
    HC_CHECK(1 <= i && i <= size());
    return v_[static_cast<std::size_t>(i - 1)];
  }
  int size() const { return static_cast<int>(v_.size()); }
  T* data() { return v_.data(); }
  const T* data() const { return v_.data(); }
  operator vec_ref<T>() { return vec_ref<T>(v_.data(), size()); }
  operator vec_ref<const T>() const { return vec_ref<const T>(v_.data(), size()); }
  vec_ref<T> ref() { return *this; }
  vec_ref<const T> ref() const { return *this; }
  vec_ref<T> sub(int first, int len) { return ref().sub(first, len); }
  std::vector<T>& std() { return v_; }
  const std::vector<T>& std() const { return v_; }
  auto begin() { return v_.begin(); }
  auto end() { return v_.end(); }
  auto begin() const { return v_.begin(); }
  auto end() const { return v_.end(); }

 private:
  static std::size_t check_size(int n) {
    HC_CHECK(n >= 0);
    return static_cast<std::size_t>(n < 0 ? 0 : n);
  }
  std::vector<T> v_;
};

template <class T>
class mat {
 public:
  mat() = default;
  mat(int m, int n, const T& x = T()) { assign(m, n, x); }

  void assign(int m, int n, const T& x = T()) {
    HC_CHECK(m >= 0 && n >= 0);
    m_ = m < 0 ? 0 : m;
    n_ = n < 0 ? 0 : n;
    v_.assign(static_cast<std::size_t>(m_) * static_cast<std::size_t>(n_), x);
  }
  T& operator()(int i, int j) {
    HC_CHECK(1 <= i && i <= m_ && 1 <= j && j <= n_);
    return v_[static_cast<std::size_t>(i - 1) + static_cast<std::size_t>(j - 1) * m_];
  }
  const T& operator()(int i, int j) const {
    HC_CHECK(1 <= i && i <= m_ && 1 <= j && j <= n_);
    return v_[static_cast<std::size_t>(i - 1) + static_cast<std::size_t>(j - 1) * m_];
  }
  int rows() const { return m_; }
  int cols() const { return n_; }
  T* data() { return v_.data(); }
  const T* data() const { return v_.data(); }
  operator mat_ref<T>() { return mat_ref<T>(v_.data(), m_, n_); }
  operator mat_ref<const T>() const { return mat_ref<const T>(v_.data(), m_, n_); }
  mat_ref<T> ref() { return *this; }
  mat_ref<const T> ref() const { return *this; }
  vec_ref<T> col(int j) { return ref().col(j); }
  vec_ref<const T> col(int j) const { return ref().col(j); }
  // All m*n entries, column by column, as one vector.
  vec_ref<T> flat() { return vec_ref<T>(v_.data(), static_cast<int>(v_.size())); }

 private:
  std::vector<T> v_;
  int m_ = 0, n_ = 0;
};

}  // namespace hc
