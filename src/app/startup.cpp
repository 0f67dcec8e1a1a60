// Start-up, in the order the engine has always done it.
#include "app/startup.h"

#include "app/config_script.h"
#include "app/paths.h"
#include "common/data_path.h"
#include "common/engine_texts.h"
#include "engine/engine.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/window.h"

namespace advplay::app {

namespace {

void show_failure(Engine& engine, std::string_view text)
{
    engine.platform.message_box.show(text, {}, platform::MessageBoxButtons::Ok);
}

void read_settings(Settings& settings, const IniFile& ini)
{
    settings.scenario_path = ini.get("Scenario", "Path", "data");
    settings.script_extension = ini.get("Scenario", "Extension", ".txt");
    settings.save_path = ini.get("Save", "Path", "data");
    settings.data_path = ini.get("Data", "Path", "data");
    settings.plugin_path = normalise_folder(ini.get("SPI", "Path", "", 256));
}

} // namespace

StartupResult start_up(Engine& engine, const IniFile& ini, const StartupOptions& options)
{
    Settings& settings = engine.settings;
    settings.caption = "ADV";
    settings.background = 0;
    engine.random.seed(options.seed ? *options.seed : engine.platform.clock.now());
    read_settings(settings, ini);
    script::reset_interpreter(engine);
    engine.input = {};

    switch (check_scenario_path(engine.platform.files, settings.scenario_path)) {
    case ScenarioPathKind::Missing:
        show_failure(engine, texts::kInvalidScenarioPath.sjis);
        return StartupResult::Failed;
    case ScenarioPathKind::Folder:
        // A scenario that does not load shows up below as a missing "start".
        (void)engine.store.load_folder(engine.platform.files, settings.scenario_path, settings.script_extension);
        break;
    case ScenarioPathKind::File:
        (void)engine.store.load_pack(engine.platform.files, settings.scenario_path);
        break;
    }

    run_config_script(engine);
    engine.platform.window.set_title(settings.caption);

    if (!engine.store.goto_name("start")) {
        show_failure(engine, texts::kStartNotRunnable.sjis);
        return StartupResult::Failed;
    }
    return StartupResult::Ready;
}

} // namespace advplay::app
