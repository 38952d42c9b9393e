#pragma once
// "Infinite Pin Tee Filter": copies its input to every connected output. Pins: [In, Output1],
// and a new free output is added after each output connection, so there is always one free.
// Every output delivers the same sample (read-only for the receivers). The input type is fixed
// once connected; outputs offer exactly it.
#include <memory>
#include <vector>

#include "platform/dshow/BaseFilter.h"

namespace ds {

class InfTee;

class InfTeeInputPin : public InputPin {
public:
    explicit InfTeeInputPin(InfTee& tee);
    HRESULT CheckMediaType(const MediaType& mt) override;
    HRESULT Receive(const SamplePtr& sample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

private:
    InfTee& tee_;
};

class InfTeeOutputPin : public PassThroughOutputPin {
public:
    InfTeeOutputPin(InfTee& tee, std::string name);
    HRESULT CheckMediaType(const MediaType& mt) override;
    HRESULT CompleteConnect(Pin& peer) override;

private:
    InfTee& tee_;
};

class InfTee : public BaseFilter {
public:
    static constexpr const char* kFriendlyName = "Infinite Pin Tee Filter";
    InfTee();
    ~InfTee() override;

    int GetPinCount() override;
    Pin* GetPin(int index) override;
    InputPin* Input() { return &input_; }

    // Called by the pins.
    void OnOutputConnected();
    HRESULT DeliverToAll(const SamplePtr& sample);
    template <class F> void ForEachConnectedOutput(F f)
    {
        for (auto& o : outputs_)
            if (o->IsConnected())
                f(*o);
    }

private:
    InfTeeInputPin input_;
    std::vector<std::unique_ptr<InfTeeOutputPin>> outputs_; // grows only while stopped
    int nextNumber_ = 1;
};

} // namespace ds
