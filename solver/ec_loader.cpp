#include "ec_loader.h"

#include <dlfcn.h>

#include <cstdio>

namespace hc {
namespace {

// The library's routines take every argument by reference; complex arrays
// are arrays of two doubles, real part first.
using evahhx_fn = void (*)(const int*, const cplx*, const cplx*, cplx*, const cplx*, cplx*);
using subexpo_fn = void (*)(const int*, const cplx*, const cplx*, cplx*, const cplx*, const cplx*,
                            cplx*, cplx*);
using coefhhthx_fn = void (*)(cplx*, cplx*, cplx*, const int*, const cplx*, const cplx*,
                              const double*, const double*);

struct binding {
  void* handle = nullptr;
  subexpo_fn subexpo = nullptr;
  evahhx_fn evahhx = nullptr;
  coefhhthx_fn coefhhthx = nullptr;
};
binding g_bind;
std::string g_message;  // the loader's message of the last binding that failed

int fail(const char* msg) {
  g_message = msg ? msg : "unknown loader error";
  std::printf("error: %s\n", g_message.c_str());
  std::fflush(stdout);
  return 1;
}

// Looks up `name`; on a loader message prints it and returns false.
bool lookup(void* h, const char* name, void*& out) {
  out = dlsym(h, name);
  if (const char* msg = dlerror()) {
    fail(msg);
    return false;
  }
  return true;
}

}  // namespace

int load_evalcore_from(const std::string& path) {
  void* h = dlopen(path.c_str(), RTLD_NOW);
  if (!h) return fail(dlerror());
  dlerror();
  void *s = nullptr, *e = nullptr, *c = nullptr;
  if (!lookup(h, "subexpo_", s) || !lookup(h, "evahhx_", e) || !lookup(h, "coefhhthx_", c))
    return 1;
  g_bind.handle = h;
  g_bind.subexpo = reinterpret_cast<subexpo_fn>(s);
  g_bind.evahhx = reinterpret_cast<evahhx_fn>(e);
  g_bind.coefhhthx = reinterpret_cast<coefhhthx_fn>(c);
  return 0;
}

// The name holds a slash, so the loader takes the file from the working
// directory and searches no path.
int load_evalcore() { return load_evalcore_from("./MEva.so"); }

const std::string& evalcore_bind_message() { return g_message; }

void evahhx_(const int& n, const cplx* cf, const cplx* z, cplx* p, const cplx* cfd, cplx* dp) {
  g_bind.evahhx(&n, cf, z, p, cfd, dp);
}

void subexpo_(const int& n, const cplx* cf, const cplx* z, cplx* p, const cplx* cfd,
              const cplx* cft, cplx* dp, cplx* dt) {
  g_bind.subexpo(&n, cf, z, p, cfd, cft, dp, dt);
}

void coefhhthx_(cplx* cf, cplx* cft, cplx* cfd, const int& m, const cplx* B, const cplx* G,
                const double* D, const double& s) {
  g_bind.coefhhthx(cf, cft, cfd, &m, B, G, D, &s);
}

}  // namespace hc
