// The `lumbra` command-line program: authors, inspects and draws records.
#pragma once

namespace lumbra {

// Exit status: 0 success, 1 error (told on standard error), 2 usage error.
int RunLumbra(int argc, char** argv);

}  // namespace lumbra
