// Start-up, in the order the engine has always done it.
#include "app/startup.h"

#include "app/config_script.h"
#include "app/frame_loop.h"
#include "app/paths.h"
#include "common/data_path.h"
#include "common/engine_texts.h"
#include "common/shift_jis.h"
#include "engine/engine.h"
#include "media/media_devices.h"
#include "media/wav_sound.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/text_encoding.h"
#include "platform/window.h"
#include "text/message_window.h"

namespace advplay::app {

namespace {

void show_failure(Engine& engine, std::string_view text)
{
    engine.platform.message_box.show(text, {}, platform::MessageBoxButtons::Ok);
}

void fail_window(Engine& engine)
{
    report_internal_error(engine.internal_errors, engine.platform.clock, texts::kMainWindowFailed.sjis);
    engine.platform.message_box.show(
        texts::kRestartMayHelp.sjis, texts::kCreateWindowFailed.sjis, platform::MessageBoxButtons::Ok);
}

// [Settings] Style: "FullScreen" switches at once, "User" asks; the switch is an F4 press, handled
// by the frame loop like the player's own.
void apply_display_style(Engine& engine, const IniFile& ini)
{
    std::string const style = lower_ascii(ini.get("Settings", "Style", "Window", 256));
    bool full_screen = style == "fullscreen";
    if (style == "user") {
        std::string const caption = ini.get("Dialog", "Caption", "", 256);
        std::string const text = ini.get("Dialog", "Text", texts::kFullScreenQuestion.sjis, 256);
        full_screen = engine.platform.message_box.show(text, caption, platform::MessageBoxButtons::YesNo)
            == platform::MessageBoxAnswer::Yes;
    }
    if (full_screen) {
        platform::Event f4;
        f4.type = platform::EventType::KeyDown;
        f4.key = platform::Key::F4;
        engine.platform.window.post_event(f4);
    }
}

void read_settings(Settings& settings, const IniFile& ini)
{
    settings.scenario_path = ini.get("Scenario", "Path", "data");
    settings.script_extension = ini.get("Scenario", "Extension", ".txt");
    settings.save_path = ini.get("Save", "Path", "data");
    settings.data_path = ini.get("Data", "Path", "data");
    settings.plugin_path = normalise_folder(ini.get("SPI", "Path", "", 256));
}

// The ini file comes with the game, from a stranger: its folders may lead out of the game folder only
// when the player allows it. A refused folder stays set, and everything in it is then refused as a
// missing file is.
void confine_folders(Engine& engine, const StartupOptions& options)
{
    Settings const& settings = engine.settings;
    std::pair<std::string_view, const std::string&> const folders[] = {
        { "Scenario", settings.scenario_path },
        { "Save", settings.save_path },
        { "Data", settings.data_path },
        { "SPI", settings.plugin_path },
    };
    platform::Files& files = engine.platform.files;
    for (auto const& [section, path] : folders) {
        if (path.empty())
            continue;
        if (options.allow_outside_paths)
            files.allow(path);
        else if (!files.reachable(path) && options.say)
            options.say("the ini file's [" + std::string(section) + "] Path \""
                + engine.platform.encoding.to_utf8(path)
                + "\" leads out of the game folder and is not used (--allow-outside-paths allows it)");
    }
}

} // namespace

StartupResult start_up(Engine& engine, const IniFile& ini, const StartupOptions& options)
{
    Settings& settings = engine.settings;
    settings.caption = "ADV";
    settings.background = 0;
    engine.random.seed(options.seed ? *options.seed : engine.platform.clock.now());
    read_settings(settings, ini);
    confine_folders(engine, options);
    script::reset_interpreter(engine);
    engine.input = {};

    switch (check_scenario_path(engine.platform.files, settings.scenario_path)) {
    case ScenarioPathKind::Missing:
        show_failure(engine, texts::kInvalidScenarioPath.sjis);
        return StartupResult::Failed;
    case ScenarioPathKind::Folder:
        // A scenario that does not load shows up below as a missing "start".
        (void)engine.store.load_folder(
            engine.platform.files, settings.scenario_path, settings.script_extension);
        break;
    case ScenarioPathKind::File:
        (void)engine.store.load_pack(engine.platform.files, settings.scenario_path);
        break;
    }

    run_config_script(engine);

    if (options.claim_single_instance && !options.claim_single_instance())
        return StartupResult::AlreadyRunning;

    graphics::GraphicsState& graphics = engine.graphics;
    // The picture commands keep the two pictures they used last.
    graphics.picture_cache.resize(2);
    if (!graphics::create_surfaces(graphics, settings.offscreen_count, settings.background)
        || !graphics::build_tables(graphics)) {
        // Out of memory before the window exists: there is nothing to show the game on.
        fail_window(engine);
        return StartupResult::Failed;
    }
    if (!engine.platform.window.open(settings.caption, settings.background)) {
        fail_window(engine);
        return StartupResult::Failed;
    }
    media::connect_devices(engine);
    // The first sound effect of the game then starts without the sound output's wake-up delay.
    media::warm_up_wav(engine);
    text::init_text(engine);
    // The window shows the background before the first script line runs.
    graphics::mark_dirty(graphics, 0, 0, graphics::kScreenWidth, graphics::kScreenHeight);
    present_display(engine);

    if (!engine.store.goto_name("start")) {
        show_failure(engine, texts::kStartNotRunnable.sjis);
        return StartupResult::Failed;
    }
    apply_display_style(engine, ini);
    return StartupResult::Ready;
}

} // namespace advplay::app
