// lumbra_host: our test host as a program.
//
//   lumbra_host pipl PLUGIN.8bf
//       prints the module's PiPL and terminology and checks them (exit 1 when malformed);
//       works for both architectures' modules (the resources are read as data).
//   lumbra_host apply PLUGIN.8bf PRESET INPUT.png OUTPUT.png [--gray]
//       runs the filter as a recorded action does: 'prst' = PRESET in the descriptor and no
//       Parameters call, so the plug-in renders the preset (from its own data folder) without
//       a dialog; the result is written to OUTPUT.png.
//   lumbra_host dialog PLUGIN.8bf INPUT.png TAB SECONDS
//       opens the plug-in's settings dialog over the picture (as the Filter menu does), shows
//       tab TAB (0 or 1) and cancels it after SECONDS: for looking at it and taking screenshots.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <string>

#include "testhost/Automation.h"
#include "testhost/Resources.h"
#include "testhost/TestHost.h"
#include "testhost/WicPng.h"

using namespace lumbra::testhost;
using lumbra::host::FourCC;

namespace {

std::string Narrow(const std::wstring& w) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}

std::string KeyText(uint32_t key) {
  return {char(key >> 24), char(key >> 16), char(key >> 8), char(key)};
}

int PrintPipl(const std::wstring& path) {
  HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!module) {
    std::fprintf(stderr, "lumbra_host: cannot open %s (error %lu)\n", Narrow(path).c_str(), GetLastError());
    return 1;
  }
  const Pipl pipl = ParsePipl(ResourceBytes(module, L"PIPL", 16000));
  const Aete aete = ParseAete(ResourceBytes(module, L"AETE", 16000));
  FreeLibrary(module);
  for (const PiplProperty& p : pipl.properties) {
    std::printf("%s %s %u:", KeyText(p.vendor).c_str(), KeyText(p.key).c_str(), static_cast<unsigned>(p.data.size()));
    for (uint8_t b : p.data) std::printf(" %02x", b);
    std::printf("\n");
  }
  std::printf("name \"%s\", category \"%s\", entry \"%s\"\n", pipl.PascalString(FourCC("name")).c_str(),
              pipl.PascalString(FourCC("catg")).c_str(),
              (pipl.Find(FourCC("8664")) ? pipl.CString(FourCC("8664")) : pipl.CString(FourCC("wx86"))).c_str());
  std::printf("suite \"%s\" event \"%s\"", aete.suiteName.c_str(), aete.eventName.c_str());
  for (const AeteParameter& p : aete.parameters)
    std::printf(", parameter \"%s\" %s %s \"%s\"", p.name.c_str(), KeyText(p.key).c_str(), KeyText(p.type).c_str(),
                p.description.c_str());
  std::printf("\n");
  if (!pipl.error.empty() || !aete.error.empty()) {
    std::fprintf(stderr, "lumbra_host: %s%s\n", pipl.error.c_str(), aete.error.c_str());
    return 1;
  }
  return 0;
}

// The plug-in loaded and the picture in the host; false (with the reason printed) otherwise.
bool Prepare(TestHost& host, const std::wstring& input, bool grayscale) {
  if (!host.Loaded()) {
    std::fprintf(stderr, "lumbra_host: %s\n", host.LoadError().c_str());
    return false;
  }
  std::string error;
  if (!LoadPng(input, grayscale, host.picture, error)) {
    std::fprintf(stderr, "lumbra_host: %s: %s\n", Narrow(input).c_str(), error.c_str());
    return false;
  }
  return true;
}

int Apply(const std::wstring& plugin, const std::wstring& preset, const std::wstring& input,
          const std::wstring& output, bool grayscale) {
  TestHost host(plugin);
  std::string error;
  if (!Prepare(host, input, grayscale)) return 1;
  // Descriptor strings are in the system's Japanese code page.
  const int n = WideCharToMultiByte(932, 0, preset.data(), static_cast<int>(preset.size()), nullptr, 0, nullptr, nullptr);
  std::string name(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(932, 0, preset.data(), static_cast<int>(preset.size()), name.data(), n, nullptr, nullptr);
  host.descriptor = std::vector<DescriptorValue>{{FourCC("prst"), FourCC("TEXT"), {name.begin(), name.end()}}};
  const RunResult run = host.Run(false);
  if (run.start != 0 || !run.committed) {
    std::fprintf(stderr, "lumbra_host: the filter did not finish (Start %d, Continue %d)\n", run.start,
                 run.continueResult);
    return 1;
  }
  if (!SavePng(output, host.picture, error)) {
    std::fprintf(stderr, "lumbra_host: %s: %s\n", Narrow(output).c_str(), error.c_str());
    return 1;
  }
  std::printf("%s: %dx%d, %zu progress calls\n", Narrow(output).c_str(), host.picture.width, host.picture.height,
              host.progressCalls.size());
  return 0;
}

int ShowDialog(const std::wstring& plugin, const std::wstring& input, int tab, int seconds) {
  TestHost host(plugin);
  if (!Prepare(host, input, false)) return 1;
  WindowScript script(L"Korvane : Lumbra", [&](HWND dialog) {
    HWND tabs = FindWindowExW(FindWindowExW(dialog, nullptr, L"LumbraPropertySheet", nullptr), nullptr,
                              L"SysTabControl32", nullptr);
    if (tabs) {
      SendMessageW(tabs, TCM_SETCURSEL, tab, 0);
      NMHDR notice{tabs, static_cast<UINT_PTR>(GetDlgCtrlID(tabs)), static_cast<UINT>(TCN_SELCHANGE)};
      SendMessageW(GetParent(tabs), WM_NOTIFY, notice.idFrom, reinterpret_cast<LPARAM>(&notice));
    }
    Sleep(static_cast<DWORD>(seconds) * 1000);
    ClickButton(dialog, 1089);
  });
  host.Run(true);
  return script.Found() ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"pipl" && argc == 3) return PrintPipl(argv[2]);
  if (command == L"dialog" && argc == 6) return ShowDialog(argv[2], argv[3], _wtoi(argv[4]), _wtoi(argv[5]));
  if (command == L"apply" && (argc == 6 || (argc == 7 && std::wstring(argv[6]) == L"--gray")))
    return Apply(argv[2], argv[3], argv[4], argv[5], argc == 7);
  std::fprintf(stderr,
               "usage: lumbra_host pipl PLUGIN.8bf\n"
               "       lumbra_host apply PLUGIN.8bf PRESET INPUT.png OUTPUT.png [--gray]\n"
               "       lumbra_host dialog PLUGIN.8bf INPUT.png TAB SECONDS\n");
  return 2;
}
