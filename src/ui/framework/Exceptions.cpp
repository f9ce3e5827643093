#include "ui/framework/Exceptions.h"

#include <exception>

namespace lumbra {

namespace {
// Windows of one thread only ever see that thread's exceptions.
thread_local std::exception_ptr t_pending;
}  // namespace

void KeepCurrentException() {
  if (!t_pending) t_pending = std::current_exception();
}

bool ExceptionPending() { return static_cast<bool>(t_pending); }

void ThrowPendingException() {
  if (!t_pending) return;
  std::exception_ptr pending = t_pending;
  t_pending = nullptr;
  std::rethrow_exception(pending);
}

}  // namespace lumbra
