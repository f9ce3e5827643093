#include "cli/Commands.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <regex>

#include "LumbraVersion.h"
#include "cli/CliCommands.h"
#include "cli/Png.h"
#include "data/Record.h"
#include "platform/MessageService.h"

namespace lumbra {

using namespace cli;

namespace {

// `lumbra KIND save NAME ... [--latest] [--yes]`: the part every kind of record shares.
CLI::App* AddSaveCommand(CLI::App& app, const std::string& kind, std::string& name, bool& asLatest, bool& yes) {
  auto* group = app.add_subcommand(kind, "Author " + kind + "s");
  group->require_subcommand(1);
  auto* save = group->add_subcommand("save", "Store a " + kind + " under a name");
  save->add_option("name", name, "Record name")->required();
  save->add_flag("--latest", asLatest, "Store it as the working " + kind + " \"latest\"");
  save->add_flag("--yes", yes, "Answer OK when asked to overwrite");
  return save;
}

// Numbers on the command line are plain decimals: no hexadecimal or octal forms, no "nan" or
// "inf", which the parser would otherwise take.
const CLI::Validator kDecimal(
    [](std::string& text) -> std::string {
      static const std::regex decimal(R"([+-]?([0-9]+(\.[0-9]*)?|\.[0-9]+))");
      return std::regex_match(text, decimal) ? std::string() : "\"" + text + "\" is not a decimal number";
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
  CLI::App app{"lumbra: comic effect lines - records, outlines and renders"};
  app.require_subcommand(1);
  app.fallthrough();  // --data may also follow the command
  app.set_version_flag("--version", "lumbra " LUMBRA_VERSION_STRING, "Print the program's version and exit");
  std::string dataFolder;
  app.add_option("--data", dataFolder, "Data folder (default: $LUMBRA_DATA, else $XDG_DATA_HOME/lumbra)");
  uint64_t maxPixels = kDefaultPixelLimit;
  app.add_option("--max-pixels", maxPixels, "Largest picture or mask read, in pixels (default 200000000)");

  std::string listWhat;
  auto* list = app.add_subcommand("list", "List the stored names of a kind");
  list->add_option("kind", listWhat, "presets, layouts or rulers")
      ->required()
      ->check(CLI::IsMember({"presets", "layouts", "rulers"}));

  std::string rulerName, rulerPoints;
  bool rulerCurve = false, rulerLatest = false, yes = false;
  auto* rulerSave = AddSaveCommand(app, "ruler", rulerName, rulerLatest, yes);
  rulerSave->add_option("--points", rulerPoints, "Points \"x,y;x,y;...\" (x 0..100, y -100..100)")->required();
  rulerSave->add_flag("--curve", rulerCurve, "A curve instead of straight segments");

  LayoutOptions lo;
  auto* layoutSave = AddSaveCommand(app, "layout", lo.name, lo.asLatest, yes);
  auto* sources = layoutSave->add_option_group("source", "Where the layout comes from");
  sources->add_option("--points", lo.points, "A path \"x,y;x,y;...\" in percent of the picture");
  sources->add_option("--circle", lo.circle, "An arc: cx,cy,rx,ry,start,sweep (percent, degrees)");
  sources->add_option("--line", lo.line, "A straight line in divisions: sx,sy,ex,ey,n");
  sources->add_option("--polygon", lo.polygon, "A polygon: cx,cy,rx,ry,vertices,start,divisions");
  sources->add_option("--import", lo.import, "A comma-separated point file");
  sources->require_option(1);

  PresetOptions po;
  auto* presetSave = AddSaveCommand(app, "preset", po.name, po.asLatest, yes);
  presetSave->add_option("--layout", po.layout, "A stored layout");
  presetSave->add_option("--ruler", po.ruler, "A stored ruler");
  presetSave->add_option("--from", po.from, "Start from this stored preset instead of the defaults");
  presetSave->add_option("--color", po.color, "Drawing colour #RRGGBB");
  presetSave->add_option("--antialias", po.antialias, "0 or 1");
  presetSave->add_option("--length-from-mask", po.lengthFromMask, "0 or 1");
  presetSave->add_option("--draw-side", po.drawSide,
                         "0 right/inside, 1 left/outside, 2 both point-symmetric, 3 both mirrored");
  presetSave->add_option("--angle", po.angle, "Fixed angle in degrees (-179 to 180), or path");
  presetSave->add_option("--interval", po.interval, "Spacing in pixels (1 to 5000)");
  presetSave->add_option("--jitter", po.jitter, "0 to 4");
  presetSave->add_option("--overshoot", po.overshoot, "Pixels (0 to 5000)");
  presetSave->add_option("--path-position", po.pathPosition, "0 frame, 1 centre, 2 left/top, 3 right/bottom");
  presetSave->add_option("--pen", po.pen, "g or mill")->check(CLI::IsMember({"g", "mill"}));
  presetSave->add_option("--height", po.height, "Pixels (1 to 1000)");
  presetSave->add_option("--length", po.length, "Pixels (5 to 10000)");
  presetSave->add_option("--min-length", po.minLength, "Percent (1 to 100)");
  presetSave->add_option("--thickness", po.thickness, "Pixels (1 to 1000)");
  presetSave->add_option("--min-thickness", po.minThickness, "Percent (1 to 100)");
  presetSave->add_option("--taper-start", po.taperStart, "Percent (0 to 100)");
  presetSave->add_option("--fixed-taper", po.fixedTaper, "0 or 1");

  RenderOptions ro;
  const auto presetSource = [&ro](CLI::App* command) {
    auto* group = command->add_option_group("preset", "The preset to draw");
    group->add_option("--preset", ro.preset, "A stored preset");
    group->add_option("--preset-file", ro.presetFile, "A preset file");
    group->require_option(1);
    command->add_option("--seed", ro.seed, "Seed of the random generator (default: the clock)");
    command->add_option("--mask", ro.mask, "Selection mask: grey or alpha PNG of the picture's size, 128+ selected");
    command->add_flag("--grayscale", ro.grayscale, "Draw as on a grey picture");
  };
  auto* place = app.add_subcommand("place", "Print where the strokes of a preset stand, as JSON lines");
  presetSource(place);
  place->add_option("--size", ro.size, "Picture size WxH")->required();
  auto* render = app.add_subcommand("render", "Draw a preset's lines over a PNG picture");
  presetSource(render);
  render->add_flag("--lines-only", ro.linesOnly, "Write the line layer alone (transparent elsewhere)");
  auto* svg = render->add_option("--svg", ro.svg, "Also write the strokes as SVG paths");
  auto* outDir = render->add_option("--out-dir", ro.outDir, "Draw every INPUT into DIR/<its name>.png")
                     ->type_name("DIR")
                     ->excludes(svg);
  render->add_option("--jobs", ro.jobs, "Pages drawn at once with --out-dir (default: one per core)")
      ->check(CLI::Range(1, 4096))
      ->needs(outDir);
  std::vector<std::string> renderFiles;
  render->add_option("files", renderFiles, "INPUT.png OUTPUT.png, or with --out-dir INPUT.png...")->required();
  render->footer(
      "With --out-dir, each INPUT is written to DIR/<its file name, extension .png> (DIR is made when missing),\n"
      "several pages at a time; page i (0 for the first INPUT) is drawn with the seed S + 2654435769 x i modulo\n"
      "2^32, S being --seed or else the clock, so the first page is the picture of a single render with --seed S.\n"
      "A page that fails is told on standard error with its name, the others go on, and the status is then 1.\n"
      "--mask applies to every page (a page of another size fails); --svg takes a single INPUT and OUTPUT.\n");

  std::string showPath;
  auto* show = app.add_subcommand("show", "Print a record file as JSON");
  show->add_option("file", showPath, "A .qmfruler, .qmflayout or .qmfpreset file")->required();

  OutlineOptions o;
  auto* outline = app.add_subcommand("outline", "Print the outline of one stroke (and draw it)");
  auto* byName = outline->add_option("--ruler", o.rulerName, "A stored ruler");
  auto* byFile = outline->add_option("--ruler-file", o.rulerFile, "A ruler file");
  auto* byPoints = outline->add_option("--points", o.points, "Ruler points \"x,y;x,y;...\"");
  byName->excludes(byFile)->excludes(byPoints);
  byFile->excludes(byPoints);
  outline->add_flag("--curve", o.curve, "The points form a curve")->needs(byPoints);
  outline->add_option("--length", o.length, "Stroke length in pixels")->required()->check(CLI::Range(0, 100000));
  outline->add_option("--ruler-height", o.rulerHeight, "Pixels that y = 100 maps to")
      ->required()
      ->check(CLI::Range(-100000, 100000));
  outline->add_option("--thickness", o.thickness, "Pen thickness in pixels")
      ->required()
      ->check(CLI::Range(0.0, 10000.0));
  outline->add_option("--pen", o.pen, "Pen tip: g or mill")->check(CLI::IsMember({"g", "mill"}));
  outline->add_option("--taper-start", o.taperStart, "Taper start, percent")->check(CLI::Range(0.0, 100.0));
  outline->add_option("--length-percent", o.lengthPercent, "Drawn length, percent")->check(CLI::Range(0.0, 100.0));
  outline->add_flag("--fixed-taper", o.fixedTaper, "Keep the taper's length fixed");
  auto* png = outline->add_option("--png", o.png, "Also draw into this PNG file");
  outline->add_flag("--preview", o.preview, "Draw the ruler's preview instead of the stroke")->needs(png);

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
        throw UsageError("render: give one INPUT.png and one OUTPUT.png, or --out-dir DIR and the INPUTs");
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
