#include "support/TestSupport.h"

#include <atomic>
#include <fstream>
#include <iterator>
#include <random>

#include "data/Record.h"
#include "platform/Encoding.h"
#include "platform/FileSystem.h"
#include "text/Text.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace lumbra::test {

namespace fs = std::filesystem;

namespace {

// Japanese unless a test says otherwise, whatever the machine's language; a plug-in module the
// tests load decides from LUMBRA_LANG, which is set for it too when the caller did not set it.
const bool g_japanese = [] {
#ifdef _WIN32
  if (GetEnvironmentVariableW(L"LUMBRA_LANG", nullptr, 0) == 0) SetEnvironmentVariableW(L"LUMBRA_LANG", L"ja");
#endif
  text::SetLanguage(text::Language::Japanese);
  return true;
}();

}  // namespace

TempDataFolder::TempDataFolder() {
  static std::atomic<int> counter{0};
  std::random_device random;
  const fs::path dir =
      fs::temp_directory_path() / ("lumbra-test-" + std::to_string(random()) + "-" + std::to_string(counter++));
  fs::create_directories(dir);
  path_ = PathToUtf8(dir) + PathSeparator();
  SetDataFolder(path_);
}

TempDataFolder::~TempDataFolder() {
  std::error_code ec;
  fs::permissions(PathFromUtf8(path_), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(PathFromUtf8(path_), ec);
}

std::vector<unsigned char> ReadBytes(const std::string& path) {
  std::ifstream in(PathFromUtf8(path), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream out(PathFromUtf8(path), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace lumbra::test
