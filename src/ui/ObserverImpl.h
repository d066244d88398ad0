#pragma once
// A broadcast of one kind of notice to the receivers that registered for it, in the order they
// registered, synchronously (UI thread only). The skin frame's choice of background reaches
// the main window this way, through the process's one skin observer (skinObserver()).
//
// A receiver remembers its observers and leaves them when it is destroyed, so that a
// broadcast never reaches a receiver that is gone.
#include <map>

#include "ui/SkinChangedParam.h"

namespace corv::ui {

template <class ReturnT, class ParamT> class ReceiverImplBase;

template <class ReturnT, class ParamT> class ObserverImplBase {
public:
    virtual ~ObserverImplBase() = default;
    virtual void addReceiver(ReceiverImplBase<ReturnT, ParamT>* receiver) = 0;
    virtual void removeReceiver(ReceiverImplBase<ReturnT, ParamT>* receiver) = 0;
    virtual ReturnT broadcast(ParamT param) = 0;
    virtual ReturnT notify(ParamT param) = 0;
};

template <class ReturnT, class ParamT> class ReceiverImplBase {
public:
    virtual ~ReceiverImplBase() = default;
    virtual void addObserver(ObserverImplBase<ReturnT, ParamT>* observer) = 0;
    virtual void removeObserver() = 0;
    virtual ReturnT receive(ParamT param) = 0;
    virtual ReturnT respond(ParamT param, ObserverImplBase<ReturnT, ParamT>* observer) = 0;
};

template <class ReturnT, class ParamT> class ObserverImpl : public ObserverImplBase<ReturnT, ParamT> {
public:
    using Receiver = ReceiverImplBase<ReturnT, ParamT>;

    void addReceiver(Receiver* receiver) override
    {
        if (receiver == nullptr)
            return;
        receivers_[count_++] = receiver;
        receiver->addObserver(this);
    }
    void removeReceiver(Receiver* receiver) override
    {
        for (auto it = receivers_.begin(); it != receivers_.end();)
            it = it->second == receiver ? receivers_.erase(it) : std::next(it);
    }
    // Calls receive of every receiver in the order they registered.
    ReturnT broadcast(ParamT param) override
    {
        const std::map<int, Receiver*> now = receivers_;  // a receiver may leave while called
        for (const auto& [number, receiver] : now) {
            if (receivers_.count(number) != 0)
                receiver->receive(param);
        }
        return ReturnT{};
    }
    // Calls respond of every receiver, with this observer.
    ReturnT notify(ParamT param) override
    {
        const std::map<int, Receiver*> now = receivers_;
        for (const auto& [number, receiver] : now) {
            if (receivers_.count(number) != 0)
                receiver->respond(param, this);
        }
        return ReturnT{};
    }
    std::size_t receiverCount() const { return receivers_.size(); }

private:
    std::map<int, Receiver*> receivers_;
    int count_ = 0;
};

template <class ReturnT, class ParamT> class ReceiverImpl : public ReceiverImplBase<ReturnT, ParamT> {
public:
    using Observer = ObserverImplBase<ReturnT, ParamT>;

    ReceiverImpl() = default;
    ReceiverImpl(const ReceiverImpl&) = delete;
    ReceiverImpl& operator=(const ReceiverImpl&) = delete;
    ~ReceiverImpl() override { removeObserver(); }

    void addObserver(Observer* observer) override { observers_[count_++] = observer; }
    // Leaves every observer it was added to.
    void removeObserver() override
    {
        const std::map<int, Observer*> all = std::move(observers_);
        observers_.clear();
        for (const auto& [number, observer] : all)
            observer->removeReceiver(this);
    }
    ReturnT receive(ParamT) override { return ReturnT{}; }
    ReturnT respond(ParamT, Observer*) override { return ReturnT{}; }

private:
    std::map<int, Observer*> observers_;
    int count_ = 0;
};

using SkinObserver = ObserverImpl<int, SkinChangedParam>;
using SkinReceiver = ReceiverImpl<int, SkinChangedParam>;

// The process's skin observer, created on first use; it lives until the process ends.
SkinObserver& skinObserver();

}  // namespace corv::ui
