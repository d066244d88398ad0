#include "buttons/page/ButtonSender.h"

#include "device/DeviceChannel.h"
#include "device/DeviceState.h"
#include "profiles/ProfileFile.h"
#include "ui/UiThread.h"

namespace corv {

ButtonSender::ButtonSender(DeviceChannel& channel, const DeviceState& state, Done done, Progress progress)
    : channel_(channel), state_(state), done_(std::move(done)), progress_(std::move(progress))
{
    thread_ = std::jthread([this](std::stop_token stop) { run(stop); });
}

ButtonSender::~ButtonSender() { stop(); }

void ButtonSender::send(ButtonSendJob job)
{
    {
        std::lock_guard lock(mutex_);
        waiting_ = std::move(job);
    }
    cv_.notify_all();
}

bool ButtonSender::busy() const
{
    std::lock_guard lock(mutex_);
    return running_ || waiting_.has_value();
}

void ButtonSender::stop()
{
    if (!thread_.joinable())
        return;
    thread_.request_stop();
    cv_.notify_all();
    thread_.join();
    std::lock_guard lock(mutex_);
    waiting_.reset();
}

void ButtonSender::run(std::stop_token stop)
{
    for (;;) {
        ButtonSendJob job;
        {
            std::unique_lock lock(mutex_);
            if (!cv_.wait(lock, stop, [this] { return waiting_.has_value(); }))
                return;
            job = std::move(*waiting_);
            waiting_.reset();
            running_ = true;
        }
        const ButtonSendOutcome outcome = transfer(channel_, state_, job, [this](int steps) {
            if (progress_)
                ui::postToUiThread(&progressTarget_, [this, steps] { progress_(steps); });
        });
        // Not holding the channel's lock here: the UI thread may be waiting for it.
        const bool handed = ui::sendToUiThread([&] {
            {
                std::lock_guard lock(mutex_);
                running_ = false;
            }
            if (done_)
                done_(outcome);
        });
        if (!handed) {
            std::lock_guard lock(mutex_);
            running_ = false;
        }
    }
}

ButtonSendOutcome ButtonSender::transfer(DeviceChannel& channel, const DeviceState& state, const ButtonSendJob& job,
                                         const std::function<void(int)>& step)
{
    const auto done = [&step](int steps) {
        if (step)
            step(steps);
    };
    ButtonSendOutcome outcome;
    // The library is read and packed before the mouse is taken.
    std::vector<std::uint8_t> image;
    if (!job.dataFolder.empty()) {
        outcome.macros = packMacroLibrary(macroCapacityUnits(channel, state), job.dataFolder, image);
        // A library the mouse cannot hold stops everything: the buttons could name macros
        // the mouse does not have.
        if (outcome.macros.result == MacroWriteResult::DoesNotFit ||
            outcome.macros.result == MacroWriteResult::DataError)
            return outcome;
    }
    std::lock_guard<std::recursive_mutex> guard(channel.lock());
    if (outcome.macros.result == MacroWriteResult::Written) {
        sendMacroImage(channel, image, job.dataFolder, outcome.macros);
        if (outcome.macros.result == MacroWriteResult::DataError)
            return outcome;  // the write could not be marked: nothing was sent
    }
    done(1);
    outcome.superseded = stateReadsNow(channel, state) != job.stateReads;
    if (outcome.superseded)
        return outcome;
    channel.begin();
    if (job.record < kButtonBlockCount) {  // the mouse has no block for record 5
        channel.writeButtons(job.record, job.block);
        outcome.blockSent = true;
    }
    channel.end();
    done(2);
    // Under the channel's lock too: a read of the mouse's state writes the same keys.
    if (!job.profile.empty())
        outcome.keysWritten = writeButtonKeys(job.profile, job.block.data());
    done(kSteps);
    return outcome;
}

}  // namespace corv
