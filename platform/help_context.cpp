#include "platform/help_context.h"

namespace {

// Made on first use: the program installs its handler while static objects are being made.
THelpContextHandler& handler()
{
    static THelpContextHandler installed;
    return installed;
}

} // namespace

void SetHelpContextHandler(THelpContextHandler h)
{
    handler() = std::move(h);
}

bool ShowHelpContext(int context, const QPoint& at)
{
    if (!handler())
        return false;
    handler()(context, at);
    return true;
}
