#include "platform/KeyboardHook.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <thread>
#include <vector>

namespace corv {

namespace {

struct Installation {
    const KeyboardHook* owner;
    int mode;
    HookTarget target;
};

struct HookState {
    std::vector<Installation> stack;  // the active installation last
    KeyboardSource* source = nullptr;
    std::function<void(int)> observer;
    int announced = kHookNone;
    std::optional<std::thread::id> thread;  // the UI thread: the first that used the hooks
};

HookState& state()
{
    static HookState s;
    return s;
}

KeyboardSource::Listen listenFor(int mode)
{
    if (mode == kHookNone)
        return KeyboardSource::Listen::Off;
    return hookSwallows(mode) ? KeyboardSource::Listen::Swallow : KeyboardSource::Listen::PassOn;
}

// Brings the source and the observer in line with the top of the stack; the source's answer.
bool follow()
{
    HookState& s = state();
    const int mode = s.stack.empty() ? kHookNone : s.stack.back().mode;
    bool listening = false;
    if (s.source != nullptr)
        listening = s.source->listen(listenFor(mode));
    if (mode != s.announced) {
        s.announced = mode;
        if (s.observer) {
            const auto observer = s.observer;
            observer(mode);
        }
    }
    return listening;
}

void erase(const KeyboardHook* owner)
{
    auto& stack = state().stack;
    stack.erase(std::remove_if(stack.begin(), stack.end(), [&](const Installation& i) { return i.owner == owner; }),
                stack.end());
}

// Whether the calling thread may use the hooks; the first thread that does owns them.
bool onOwningThread(const char* what)
{
    HookState& s = state();
    if (!s.thread)
        s.thread = std::this_thread::get_id();
    if (*s.thread == std::this_thread::get_id())
        return true;
    std::fprintf(stderr, "keyboard capture: %s outside the UI thread; refused\n", what);
    return false;
}

}  // namespace

unsigned hookMessage(int mode)
{
    switch (mode) {
    case kHookKeySingleKey:
        return 0x801;
    case kHookKeyHitKey:
        return 0x802;
    case kHookKeyMacro:
        return 0x803;
    case kHookSingleKey:
        return 0x810;
    case kHookHitKey:
        return 0x811;
    case kHookMacro:
        return 0x812;
    case kHookMacroEdit:
        return 0x814;
    case kHookMacroInsert:
        return 0x815;
    default:
        return 0;
    }
}

bool hookSwallows(int mode) { return mode == kHookKeySingleKey || mode == kHookSingleKey; }

KeyboardHook::~KeyboardHook() { remove(); }

bool KeyboardHook::install(int mode, HookTarget target)
{
    if (!onOwningThread("install"))
        return false;
    erase(this);
    state().stack.push_back({this, mode, std::move(target)});
    installed_ = true;
    return follow();
}

void KeyboardHook::remove()
{
    if (!installed_ || !onOwningThread("remove"))
        return;
    installed_ = false;
    erase(this);
    follow();
}

void KeyboardHook::useSource(KeyboardSource* source)
{
    if (!onOwningThread("source"))
        return;
    HookState& s = state();
    if (s.source != nullptr && s.source != source)
        s.source->listen(KeyboardSource::Listen::Off);
    s.source = source;
    if (source != nullptr) {
        source->setSink([](const KeyEvent& event) { deliver(event); });
        follow();
    }
}

KeyboardSource* KeyboardHook::source() { return state().source; }

bool KeyboardHook::deliver(const KeyEvent& event)
{
    if (!onOwningThread("key event"))
        return false;
    HookState& s = state();
    if (s.stack.empty())
        return false;
    const unsigned message = hookMessage(s.stack.back().mode);
    if (message == 0)
        return false;
    // A copy: the target may remove its own hook while it runs.
    const HookTarget target = s.stack.back().target;
    if (target)
        target(message, event);
    return true;
}

int KeyboardHook::activeMode()
{
    const auto& stack = state().stack;
    return stack.empty() ? kHookNone : stack.back().mode;
}

void KeyboardHook::setObserver(std::function<void(int activeMode)> observer) { state().observer = std::move(observer); }

}  // namespace corv
