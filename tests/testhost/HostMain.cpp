// lumbra_host: our test host as a program.
//
//   lumbra_host pipl PLUGIN.8bf
//       prints the module's PiPL and terminology and checks them (exit 1 when malformed);
//       works for both architectures' modules (the resources are read as data).
//   lumbra_host version PLUGIN.8bf
//       prints the module's version resource as Windows reads it: the fixed file and product
//       versions, the translations, and each translation's strings (exit 1 when it has none).
//   lumbra_host apply PLUGIN.8bf PRESET INPUT.png OUTPUT.png [HOST OPTIONS]
//       runs the filter as a recorded action does: 'prst' = PRESET in the descriptor and no
//       Parameters call, so the plug-in renders the preset (from its own data folder) without
//       a dialog; the result is written to OUTPUT.png. The options play the other hosts:
//         --gray            a greyscale document
//         --flat            colour planes given as non-layer planes (0 layer planes)
//         --layer-mask      a layer mask plane after the target's planes
//         --one-plane       a one-plane target (a layer mask, or with --flat an alpha channel)
//         --16bit           16-bit samples (Gray16, RGB48)
//         --column-bytes-0  the column step left 0
//         --no-dispose      no disposeProc among the handle procedures
//   lumbra_host dialog PLUGIN.8bf INPUT.png VIEW SECONDS
//       opens the plug-in's settings dialog over the picture (as the Filter menu does), shows
//       VIEW for SECONDS and cancels everything: for looking at it and taking screenshots.
//       VIEW is a tab (0, 1 or 2), the first tab with the preview zoomed out to 50 % (zoomed) or,
//       reached through the lists' "<新規作成>" as a person would: layout-editor, circle-editor,
//       line-generator, polygon-generator or ruler-editor; or the preset list's name entry
//       (name-entry).
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "testhost/Automation.h"
#include "testhost/DialogDriver.h"
#include "testhost/Resources.h"
#include "testhost/TestHost.h"
#include "testhost/WicPng.h"
#include "text/Text.h"

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

// The host answers chosen on the command line.
struct HostOptions {
  bool grayscale = false;
  bool layerMask = false;
  bool onePlane = false;
  bool deep = false;
  HostSettings settings;
};

bool ParseHostOptions(int argc, wchar_t** argv, int first, HostOptions& options) {
  for (int i = first; i < argc; ++i) {
    const std::wstring option = argv[i];
    if (option == L"--gray") {
      options.grayscale = true;
    } else if (option == L"--flat") {
      options.settings.flatAsNonLayerPlanes = true;
    } else if (option == L"--layer-mask") {
      options.layerMask = true;
    } else if (option == L"--one-plane") {
      options.onePlane = true;
    } else if (option == L"--16bit") {
      options.deep = true;
    } else if (option == L"--column-bytes-0") {
      options.settings.columnBytesZero = true;
    } else if (option == L"--no-dispose") {
      options.settings.noDisposeProc = true;
    } else {
      std::fprintf(stderr, "lumbra_host: unknown option %s\n", Narrow(option).c_str());
      return false;
    }
  }
  return true;
}

int Apply(const std::wstring& plugin, const std::wstring& preset, const std::wstring& input,
          const std::wstring& output, const HostOptions& options) {
  TestHost host(plugin);
  std::string error;
  if (!Prepare(host, input, options.grayscale || options.onePlane)) return 1;
  host.settings = options.settings;
  if (options.layerMask || options.onePlane || options.deep)
    host.picture = Reshaped(host.picture, options.layerMask, options.onePlane, options.deep ? 16 : 8);
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

// A window's caption as the plug-in shows it in the language in use (LUMBRA_LANG, or the system's).
std::wstring Caption(const char* japanese) {
  const std::string_view caption = lumbra::text::Localized(japanese);
  const int n = MultiByteToWideChar(CP_UTF8, 0, caption.data(), static_cast<int>(caption.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, caption.data(), static_cast<int>(caption.size()), wide.data(), n);
  return wide;
}

void ClickAt(HWND window, int x, int y) {
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

// Opens the editor or generator `view` from the dialog, keeps it up for `seconds`, closes it.
void ShowEditor(HWND dialog, const std::wstring& view, int seconds) {
  using namespace lumbra::test;
  const bool ruler = view == L"ruler-editor";
  ShowTab(dialog, ruler ? 1 : 0);
  HWND page = PageWith(dialog, ruler ? IDC_RULER_LIST : IDC_LAYOUT_LIST);
  const int list = ruler ? IDC_RULER_LIST : IDC_LAYOUT_LIST;
  ChooseLater(page, list, static_cast<int>(Entries(page, list).size()) - 1);
  HWND editor = AwaitWindow(Caption(ruler ? "定規" : "線の配置設定"));
  if (!editor) return;
  HWND canvas = GetDlgItem(editor, ruler ? IDC_RULER_EDITOR_CANVAS : IDC_LAYOUT_EDITOR_CANVAS);
  RECT r{};
  GetClientRect(canvas, &r);
  HWND top = editor;
  if (ruler) {
    // A swelling stroke, joined as a curve.
    ClickAt(canvas, r.right / 5, r.bottom / 3);
    ClickAt(canvas, r.right / 2, r.bottom / 8);
    ClickAt(canvas, 4 * r.right / 5, r.bottom / 3);
    Click(editor, IDC_JOIN_CURVE);
  } else if (view == L"circle-editor") {
    Click(editor, IDC_MODE_CIRCLE);
  } else {
    // A zigzag path over the picture.
    for (int i = 1; i <= 4; ++i) ClickAt(canvas, r.right / 4 + i * r.right / 10, i % 2 ? r.bottom / 3 : 2 * r.bottom / 3);
    if (view != L"layout-editor") {
      const bool polygon = view == L"polygon-generator";
      HWND panel = PageWith(editor, IDC_POINT_LIST);
      SendDlgItemMessageW(panel, IDC_SOURCE_KIND, CB_SETCURSEL, polygon ? 1 : 0, 0);
      PostMessageW(panel, WM_COMMAND, MAKEWPARAM(IDC_PLACE_POINTS, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(panel, IDC_PLACE_POINTS)));
      top = AwaitWindow(Caption(polygon ? "多角形" : "線の配置"));
    }
  }
  Sleep(static_cast<DWORD>(seconds) * 1000);
  if (top && top != editor) {
    PostMessageW(top, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    WaitUntil([&] { return !IsWindow(top); });
  }
  ClickButton(editor, IDCANCEL);
}

int ShowDialog(const std::wstring& plugin, const std::wstring& input, const std::wstring& view, int seconds) {
  TestHost host(plugin);
  if (!Prepare(host, input, false)) return 1;
  WindowScript script(L"Korvane : Lumbra", [&](HWND dialog) {
    if (view == L"0" || view == L"1" || view == L"2" || view == L"zoomed") {
      lumbra::test::ShowTab(dialog, view == L"zoomed" ? 0 : std::stoi(view));
      if (view == L"zoomed")
        for (int i = 0; i < 2; ++i) ClickButton(dialog, IDC_ZOOM_OUT);
      Sleep(static_cast<DWORD>(seconds) * 1000);
    } else if (view == L"name-entry") {
      // "<新規作成>" in the preset list asks for the new preset's name.
      lumbra::test::ChooseLater(dialog, IDC_PRESET_LIST,
                                static_cast<int>(lumbra::test::Entries(dialog, IDC_PRESET_LIST).size()) - 1);
      if (HWND box = AwaitWindow(Caption("プリセットの保存"))) {
        Sleep(static_cast<DWORD>(seconds) * 1000);
        ClickButton(box, IDCANCEL);
        WaitUntil([&] { return !IsWindow(box); });
      }
    } else {
      ShowEditor(dialog, view, seconds);
    }
    ClickButton(dialog, IDC_CANCEL);
  });
  host.Run(true);
  return script.Found() ? 0 : 1;
}

int PrintVersion(const std::wstring& path) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  std::vector<uint8_t> info(size);
  if (size == 0 || !GetFileVersionInfoW(path.c_str(), 0, size, info.data())) {
    std::fprintf(stderr, "lumbra_host: %s has no version resource (error %lu)\n", Narrow(path).c_str(), GetLastError());
    return 1;
  }
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(info.data(), L"\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO)) return 1;
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  std::printf("file %d.%d.%d.%d product %d.%d.%d.%d\n", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
              HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS), HIWORD(fixed->dwProductVersionMS),
              LOWORD(fixed->dwProductVersionMS), HIWORD(fixed->dwProductVersionLS), LOWORD(fixed->dwProductVersionLS));
  if (!VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", &value, &length) || length < 4) return 1;
  // Copied: the string queries below reuse value and length.
  const auto* first = static_cast<const WORD*>(value);
  const std::vector<WORD> translations(first, first + length / sizeof(WORD));
  for (size_t i = 0; i + 1 < translations.size(); i += 2) {
    wchar_t block[16];
    std::swprintf(block, 16, L"%04x%04x", translations[i], translations[i + 1]);
    std::printf("translation %s\n", Narrow(block).c_str());
    for (const wchar_t* name : {L"ProductName", L"FileDescription", L"FileVersion", L"ProductVersion"}) {
      const std::wstring query = std::wstring(L"\\StringFileInfo\\") + block + L"\\" + name;
      if (!VerQueryValueW(info.data(), query.c_str(), &value, &length)) {
        std::printf("%s %s missing\n", Narrow(block).c_str(), Narrow(name).c_str());
        continue;
      }
      std::printf("%s %s \"%s\"\n", Narrow(block).c_str(), Narrow(name).c_str(),
                  Narrow(static_cast<const wchar_t*>(value)).c_str());
    }
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"pipl" && argc == 3) return PrintPipl(argv[2]);
  if (command == L"version" && argc == 3) return PrintVersion(argv[2]);
  if (command == L"dialog" && argc == 6) return ShowDialog(argv[2], argv[3], argv[4], _wtoi(argv[5]));
  if (command == L"apply" && argc >= 6) {
    HostOptions options;
    if (!ParseHostOptions(argc, argv, 6, options)) return 2;
    return Apply(argv[2], argv[3], argv[4], argv[5], options);
  }
  std::fprintf(stderr,
               "usage: lumbra_host pipl PLUGIN.8bf\n"
               "       lumbra_host version PLUGIN.8bf\n"
               "       lumbra_host apply PLUGIN.8bf PRESET INPUT.png OUTPUT.png [--gray] [--flat] [--layer-mask]\n"
               "                   [--one-plane] [--16bit] [--column-bytes-0] [--no-dispose]\n"
               "       lumbra_host dialog PLUGIN.8bf INPUT.png VIEW SECONDS\n");
  return 2;
}
