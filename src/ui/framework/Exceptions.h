// C++ exceptions must not unwind through the system's frames (window procedures, the system's own
// modal loops): the host would go down with them. Every callback of ours catches what its handler
// throws and keeps it; our modal loops end when one is kept, and the code that started the loop
// throws it again, on our side of the system, up to the plug-in's entry.
#pragma once

namespace lumbra {

// Keeps the exception being handled (call inside a catch block); the first one kept wins.
void KeepCurrentException();
bool ExceptionPending();
// Throws the kept exception, if there is one, and forgets it.
void ThrowPendingException();

}  // namespace lumbra
