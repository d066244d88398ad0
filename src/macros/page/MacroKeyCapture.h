#pragma once
// Keys captured into the shown macro through the window's keyboard hook: a recording appends
// the keys typed anywhere on the desktop with their delays, a key edit replaces the selected
// key row's key, a key insertion puts typed keys next to the selected row. Each ends saved,
// with the page unlocked.
#include <cstdint>
#include <optional>

#include "macros/MacroRecorder.h"

namespace corv {

class FeatureHost;
class MacroPage;

class MacroKeyCapture {
public:
    MacroKeyCapture(MacroPage& page, FeatureHost& host) : page_(page), host_(host) { }

    // Recording: starts, or stops and saves.
    void toggleRecording();
    // The key panel's insert button: delays are inserted at once; typed keys are inserted
    // until finishKeyInsertion, with the page locked.
    void startInsertion();
    // Typed keys are inserted from now on (the insert button of the delay panel in a key
    // mode), until finishKeyInsertion.
    void beginKeyInsertion();
    void finishKeyInsertion();
    // A key edit of the selected key row: starts, or ends keeping the key last typed.
    void beginKeyEdit();
    void finishKeyEdit();

    bool isRecording() const { return recording_; }
    bool isEditingKey() const { return editingKey_; }
    bool isInsertingKeys() const { return insertingKeys_; }
    // The window's hooks end: a recording, key edit or key insertion finishes as its own
    // stop would (saved, page unlocked).
    void endCaptures();

    // Key events of the window's keyboard hook (down or up, virtual-key code, and the time
    // it was typed on the keyboard source's clock when the source tells it).
    void recordKey(bool down, std::uint16_t vk, std::optional<std::uint32_t> timeMs = std::nullopt);
    void replaceKey(bool down, std::uint16_t vk);
    void insertKey(bool down, std::uint16_t vk, std::optional<std::uint32_t> timeMs = std::nullopt);

private:
    // The delay of a typed key by the recorder's delay choice (measured, none, or the fixed
    // delay edit, which shows the limit when the typed value was beyond it). A measured
    // delay is the difference of the two events' own times when both carry one (the wait
    // the user made, however late the events were handled), else of the window's clock at
    // their handling.
    long delayForTypedKey(std::optional<std::uint32_t> timeMs);
    std::uint32_t tick() const;
    // Installs the window's hook; says once when only this program's own keys can be seen.
    void installHook(int mode);

    MacroPage& page_;
    FeatureHost& host_;
    bool recording_ = false;
    bool editingKey_ = false;
    bool insertingKeys_ = false;
    bool ownWindowsNoticeShown_ = false;
    MacroRecorder recorder_;                      // the recording's auto-repeat filter
    MacroRecorder inserter_;                      // the key insertion's own
    std::uint32_t lastEventTick_ = 0;             // the previous recorded or inserted event, on the window's clock
    std::optional<std::uint32_t> lastEventTime_;  // and its own time, when it had one
};

}  // namespace corv
