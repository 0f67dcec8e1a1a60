// The .mid command.
#include "media/midi_command.h"

#include "common/data_path.h"
#include "engine/engine.h"
#include "media/midi_sequencer.h"
#include "script/line_reader.h"

namespace advplay::media {

void mid_command(Engine& engine)
{
    script::next_string(engine);
    std::string const name(engine.interpreter.token.view());
    if (name == "stop") {
        if (engine.midi)
            engine.midi->stop();
        return;
    }
    std::int32_t const loop = script::next_int(engine);
    if (!engine.midi)
        return;
    // A name too long for the engine's paths is a file that cannot be opened.
    if (auto const path = resolve_data_path(name, engine.settings.data_path, ".mid"))
        (void)engine.midi->load(engine.platform.files, *path);
    engine.midi->set_loop(loop != 0);
    (void)engine.midi->play();
}

} // namespace advplay::media
