// TextOutput: where diagnostic text (traces, headless message boxes) goes.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace advplay::platform {

class TextOutput {
public:
    virtual ~TextOutput() = default;
    virtual void write(std::string_view text) = 0;
};

class FileOutput final : public TextOutput {
public:
    explicit FileOutput(std::FILE* file)
        : m_file(file)
    {
    }
    void write(std::string_view text) override { std::fwrite(text.data(), 1, text.size(), m_file); }

private:
    std::FILE* m_file;
};

// Keeps everything written, for tests and for callers that show the text later.
class StringOutput final : public TextOutput {
public:
    void write(std::string_view text) override { m_text += text; }
    const std::string& text() const { return m_text; }
    void clear() { m_text.clear(); }

private:
    std::string m_text;
};

} // namespace advplay::platform
