// Every engine text's Shift-JIS bytes spell its UTF-8 reading.
#include "common/engine_texts.h"
#include "platform/text_encoding.h"

#include <gtest/gtest.h>

namespace advplay {
namespace {

TEST(EngineTexts, ShiftJisBytesMatchTheirReading)
{
    platform::TextEncoding encoding;
    for (auto const& text : texts::kAll) {
        EXPECT_EQ(encoding.to_utf8_exact(text.sjis), text.utf8);
        EXPECT_EQ(encoding.to_sjis(text.utf8), text.sjis) << text.utf8;
    }
}

} // namespace
} // namespace advplay
