#include "Eval.h"

namespace hc {

const evalcore& evalcore_lib() {
  static const evalcore lib{&evahhx_, &subexpo_, &coefhhthx_};
  return lib;
}

}  // namespace hc
