// Shared libraries through dlopen, dlsym and dlclose.
#include "platform/posix/dynamic_library.h"

#include <dlfcn.h>

namespace advplay::platform {

namespace {

class DynamicLibrary final : public PluginLibrary {
public:
    explicit DynamicLibrary(void* handle)
        : m_handle(handle)
    {
    }
    ~DynamicLibrary() override { ::dlclose(m_handle); }
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    void* function(const char* name) override { return ::dlsym(m_handle, name); }

private:
    void* m_handle;
};

} // namespace

std::unique_ptr<PluginLibrary> open_dynamic_library(const std::string& host_path)
{
    // A name without a slash would send dlopen through the library search path instead of the file.
    if (host_path.find('/') == std::string::npos)
        return nullptr;
    void* handle = ::dlopen(host_path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return nullptr;
    return std::make_unique<DynamicLibrary>(handle);
}

} // namespace advplay::platform
