#include "ui/KeyCapture.h"

#include <QLoggingCategory>
#include <algorithm>
#include <vector>

#include "ui/UiThread.h"

namespace corv::ui {

Q_LOGGING_CATEGORY(lcKeys, "corv.keys", QtWarningMsg)

namespace {
// The registered captures, the active one last. Touched on the UI thread only.
std::vector<KeyCapture*>& captures()
{
    static std::vector<KeyCapture*> list;
    return list;
}
}  // namespace

KeyCapture::KeyCapture(KeySink sink) : sink_(std::move(sink))
{
    if (!onUiThread()) {
        qCWarning(lcKeys) << "keyboard capture registered outside the UI thread; ignored";
        return;
    }
    captures().push_back(this);
    registered_ = true;
}

KeyCapture::~KeyCapture()
{
    if (!registered_)
        return;
    auto& list = captures();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

bool KeyCapture::IsActive() const { return registered_ && !captures().empty() && captures().back() == this; }

bool KeyCapture::AnyActive() { return onUiThread() && !captures().empty(); }

bool KeyCapture::Deliver(const KeyStroke& key)
{
    if (!onUiThread()) {
        qCWarning(lcKeys) << "key stroke delivered outside the UI thread; dropped";
        return false;
    }
    if (captures().empty())
        return false;
    // A copy: the sink may end its own capture while it runs.
    const KeySink sink = captures().back()->sink_;
    if (sink)
        sink(key);
    return true;
}

}  // namespace corv::ui
