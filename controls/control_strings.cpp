#include "controls/control_strings.h"

#include "lang/builtin_strings.h"

#include <atomic>

namespace {

std::atomic<TControlStringLoader> g_loader{nullptr};

} // namespace

void SetControlStringLoader(TControlStringLoader loader)
{
    g_loader.store(loader);
}

QString ControlString(int id)
{
    const TControlStringLoader loader = g_loader.load();
    return loader ? loader(id) : BuiltinString(unsigned(id));
}
