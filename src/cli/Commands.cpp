#include "cli/Commands.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <regex>

#include "LumbraVersion.h"
#include "cli/CliCommands.h"
#include "cli/Png.h"
#include "data/Record.h"
#include "platform/MessageService.h"
#include "text/Text.h"

namespace lumbra {

using namespace cli;

namespace {

// `lumbra KIND save NAME ... [--latest] [--yes]`: the part every kind of record shares.
CLI::App* AddSaveCommand(CLI::App& app, const std::string& command, RecordKind kind, std::string& name, bool& asLatest,
                         bool& yes) {
  const RecordTexts& texts = TextsOf(kind);
  auto* group = app.add_subcommand(command, texts.helpGroup.Get());
  group->require_subcommand(1);
  auto* save = group->add_subcommand("save", texts.helpSave.Get());
  save->add_option("name", name, text::kCliHelpRecordName.Get())->required();
  save->add_flag("--latest", asLatest, texts.helpLatest.Get());
  save->add_flag("--yes", yes, text::kCliHelpYes.Get());
  return save;
}

// Numbers on the command line are plain decimals: no hexadecimal or octal forms, no "nan" or
// "inf", which the parser would otherwise take.
const CLI::Validator kDecimal(
    [](std::string& value) -> std::string {
      static const std::regex decimal(R"([+-]?([0-9]+(\.[0-9]*)?|\.[0-9]+))");
      return std::regex_match(value, decimal) ? std::string() : text::Format(text::kCliNotDecimal, {value});
    },
    "DECIMAL");

void RequireDecimals(CLI::App& app) {
  for (CLI::Option* option : app.get_options()) {
    // The type name carries the descriptions of the option's checks after it ("FLOAT:FLOAT in ...").
    const std::string type = option->get_type_name();
    const auto is = [&](const char* name) { return type.rfind(name, 0) == 0; };
    if (is("INT") || is("UINT") || is("FLOAT")) option->check(kDecimal);
  }
  for (CLI::App* sub : app.get_subcommands([](CLI::App*) { return true; })) RequireDecimals(*sub);
}

}  // namespace

int RunLumbra(int argc, char** argv) {
  // The help is built in the language of every other text (decided here, once).
  CLI::App app{text::kCliHelpApp.Get()};
  app.set_help_flag("-h,--help", text::kCliHelpHelp.Get());  // before the commands, which take it over
  app.require_subcommand(1);
  app.fallthrough();  // --data may also follow the command
  app.set_version_flag("--version", "lumbra " LUMBRA_VERSION_STRING, text::kCliHelpVersion.Get());
  std::string dataFolder;
  app.add_option("--data", dataFolder, text::kCliHelpData.Get());
  uint64_t maxPixels = kDefaultPixelLimit;
  app.add_option("--max-pixels", maxPixels, text::kCliHelpMaxPixels.Get());

  std::string listWhat;
  auto* list = app.add_subcommand("list", text::kCliHelpList.Get());
  list->add_option("kind", listWhat, text::kCliHelpListKind.Get())
      ->required()
      ->check(CLI::IsMember({"presets", "layouts", "rulers"}));

  std::string rulerName, rulerPoints;
  bool rulerCurve = false, rulerLatest = false, yes = false;
  auto* rulerSave = AddSaveCommand(app, "ruler", RecordKind::Ruler, rulerName, rulerLatest, yes);
  rulerSave->add_option("--points", rulerPoints, text::kCliHelpRulerPoints.Get())->required();
  rulerSave->add_flag("--curve", rulerCurve, text::kCliHelpCurve.Get());

  LayoutOptions lo;
  auto* layoutSave = AddSaveCommand(app, "layout", RecordKind::Layout, lo.name, lo.asLatest, yes);
  auto* sources = layoutSave->add_option_group("source", text::kCliHelpSource.Get());
  sources->add_option("--points", lo.points, text::kCliHelpPath.Get());
  sources->add_option("--circle", lo.circle, text::kCliHelpCircle.Get());
  sources->add_option("--line", lo.line, text::kCliHelpLine.Get());
  sources->add_option("--polygon", lo.polygon, text::kCliHelpPolygon.Get());
  sources->add_option("--import", lo.import, text::kCliHelpImport.Get());
  sources->require_option(1);

  PresetOptions po;
  auto* presetSave = AddSaveCommand(app, "preset", RecordKind::Preset, po.name, po.asLatest, yes);
  presetSave->add_option("--layout", po.layout, text::kCliHelpStoredLayout.Get());
  presetSave->add_option("--ruler", po.ruler, text::kCliHelpStoredRuler.Get());
  presetSave->add_option("--from", po.from, text::kCliHelpFrom.Get());
  presetSave->add_option("--color", po.color, text::kCliHelpColor.Get());
  presetSave->add_option("--antialias", po.antialias, text::kCliHelpSwitch.Get());
  presetSave->add_option("--length-from-mask", po.lengthFromMask, text::kCliHelpSwitch.Get());
  presetSave->add_option("--draw-side", po.drawSide, text::kCliHelpDrawSide.Get());
  presetSave->add_option("--angle", po.angle, text::kCliHelpAngle.Get());
  presetSave->add_option("--interval", po.interval, text::kCliHelpInterval.Get());
  presetSave->add_option("--jitter", po.jitter, text::kCliHelpJitter.Get());
  presetSave->add_option("--overshoot", po.overshoot, text::kCliHelpOvershoot.Get());
  presetSave->add_option("--path-position", po.pathPosition, text::kCliHelpPathPosition.Get());
  presetSave->add_option("--pen", po.pen, text::kCliHelpPen.Get())->check(CLI::IsMember({"g", "mill"}));
  presetSave->add_option("--height", po.height, text::kCliHelpPixels1000.Get());
  presetSave->add_option("--length", po.length, text::kCliHelpLength.Get());
  presetSave->add_option("--min-length", po.minLength, text::kCliHelpMinPercent.Get());
  presetSave->add_option("--thickness", po.thickness, text::kCliHelpPixels1000.Get());
  presetSave->add_option("--min-thickness", po.minThickness, text::kCliHelpMinPercent.Get());
  presetSave->add_option("--taper-start", po.taperStart, text::kCliHelpTaperPercent.Get());
  presetSave->add_option("--fixed-taper", po.fixedTaper, text::kCliHelpSwitch.Get());
  presetSave->add_option("--edge-width", po.edgeWidth, text::kCliHelpEdgeWidth.Get());
  presetSave->add_option("--edge-color", po.edgeColor, text::kCliHelpEdgeColor.Get());
  presetSave->add_option("--edge-mode", po.edgeMode, text::kCliHelpEdgeMode.Get())
      ->check(CLI::IsMember({"separate", "merged"}));
  presetSave->add_option("--bundle-lines", po.bundleLines, text::kCliHelpBundleLines.Get());
  presetSave->add_option("--bundle-gap", po.bundleGap, text::kCliHelpBundleGap.Get());
  presetSave->add_option("--bundle-variation", po.bundleVariation, text::kCliHelpBundleVariation.Get());

  RenderOptions ro;
  const auto presetSource = [&ro](CLI::App* command) {
    auto* group = command->add_option_group("preset", text::kCliHelpPresetGroup.Get());
    group->add_option("--preset", ro.preset, text::kCliHelpStoredPreset.Get());
    group->add_option("--preset-file", ro.presetFile, text::kCliHelpPresetFile.Get());
    group->require_option(1);
    command->add_option("--seed", ro.seed, text::kCliHelpSeed.Get());
    command->add_option("--mask", ro.mask, text::kCliHelpMask.Get());
    command->add_flag("--grayscale", ro.grayscale, text::kCliHelpGrayscale.Get());
  };
  auto* place = app.add_subcommand("place", text::kCliHelpPlace.Get());
  presetSource(place);
  place->add_option("--size", ro.size, text::kCliHelpSize.Get())->required();
  auto* render = app.add_subcommand("render", text::kCliHelpRender.Get());
  presetSource(render);
  render->add_flag("--lines-only", ro.linesOnly, text::kCliHelpLinesOnly.Get());
  auto* svg = render->add_option("--svg", ro.svg, text::kCliHelpSvg.Get());
  auto* outDir =
      render->add_option("--out-dir", ro.outDir, text::kCliHelpOutDir.Get())->type_name("DIR")->excludes(svg);
  render->add_option("--jobs", ro.jobs, text::kCliHelpJobs.Get())->check(CLI::Range(1, 4096))->needs(outDir);
  std::vector<std::string> renderFiles;
  render->add_option("files", renderFiles, text::kCliHelpRenderFiles.Get())->required();
  render->footer(text::kCliHelpRenderFooter.Get());

  std::string showPath;
  auto* show = app.add_subcommand("show", text::kCliHelpShow.Get());
  show->add_option("file", showPath, text::kCliHelpRecordFile.Get())->required();

  OutlineOptions o;
  auto* outline = app.add_subcommand("outline", text::kCliHelpOutline.Get());
  auto* byName = outline->add_option("--ruler", o.rulerName, text::kCliHelpStoredRuler.Get());
  auto* byFile = outline->add_option("--ruler-file", o.rulerFile, text::kCliHelpRulerFile.Get());
  auto* byPoints = outline->add_option("--points", o.points, text::kCliHelpOutlinePoints.Get());
  byName->excludes(byFile)->excludes(byPoints);
  byFile->excludes(byPoints);
  outline->add_flag("--curve", o.curve, text::kCliHelpOutlineCurve.Get())->needs(byPoints);
  outline->add_option("--length", o.length, text::kCliHelpStrokeLength.Get())->required()->check(CLI::Range(0, 100000));
  outline->add_option("--ruler-height", o.rulerHeight, text::kCliHelpRulerHeight.Get())
      ->required()
      ->check(CLI::Range(-100000, 100000));
  outline->add_option("--thickness", o.thickness, text::kCliHelpThickness.Get())
      ->required()
      ->check(CLI::Range(0.0, 10000.0));
  outline->add_option("--pen", o.pen, text::kCliHelpPenTip.Get())->check(CLI::IsMember({"g", "mill"}));
  outline->add_option("--taper-start", o.taperStart, text::kCliHelpTaperStart.Get())->check(CLI::Range(0.0, 100.0));
  outline->add_option("--length-percent", o.lengthPercent, text::kCliHelpLengthPercent.Get())
      ->check(CLI::Range(0.0, 100.0));
  outline->add_flag("--fixed-taper", o.fixedTaper, text::kCliHelpFixedTaper.Get());
  auto* png = outline->add_option("--png", o.png, text::kCliHelpPng.Get());
  outline->add_flag("--preview", o.preview, text::kCliHelpPreview.Get())->needs(png);

  RequireDecimals(app);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return 2;
  }

  ConsoleMessageService messages(yes ? ConsoleMessageService::Policy::Accept : ConsoleMessageService::Policy::Decline);
  SetMessageService(&messages);
  struct Restore {
    ~Restore() { SetMessageService(nullptr); }
  } restore;
  if (!dataFolder.empty()) SetDataFolder(dataFolder);
  SetPngPixelLimit(maxPixels);

  try {
    if (*list) List(listWhat);
    if (*rulerSave) SaveRuler(rulerName, rulerPoints, rulerCurve, rulerLatest);
    if (*layoutSave) SaveLayout(lo);
    if (*presetSave) SavePreset(po);
    if (*show) Show(showPath);
    if (*place) Place(ro);
    if (*render) {
      if (!ro.outDir.empty()) {
        ro.inputs = renderFiles;
        RenderToFolder(ro);
      } else if (renderFiles.size() == 2) {
        ro.input = renderFiles[0];
        ro.output = renderFiles[1];
        Render(ro);
      } else {
        throw UsageError(text::kCliRenderFiles.Get());
      }
    }
    if (*outline) Outline(o);
  } catch (const UsageError& e) {
    std::cerr << "lumbra: " << e.what() << "\n";
    return 2;
  } catch (const std::exception& e) {
    std::cerr << "lumbra: " << e.what() << "\n";
    return 1;
  }
  return 0;
}

}  // namespace lumbra
