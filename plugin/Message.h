// A message as the framework sees it: a small reference to the call record.
#pragma once

#include <cstdint>

#include "fmapi/call_record.h"
#include "plugin/Error.h"

namespace __Quarrow__ {

class Message {
public:
    explicit Message(fmapi::CallRecord* record) : record_(record) {}

    std::uint8_t Kind() const { return record_->whichCall; }
    std::int16_t ExtnVersion() const { return record_->extnVersion; }
    bool Unsafe() const { return record_->unsafeCalls != 0; }
    std::intptr_t Result() const { return record_->result; }
    // Allowed only while the message is initialisation.
    void SetResult(std::int32_t result)
    {
        if (record_->whichCall != fmapi::kMsgInit)
            throw Error(1, 2);
        record_->result = result;
    }
    fmapi::CallRecord* Record() const { return record_; }

private:
    fmapi::CallRecord* record_;
};

} // namespace __Quarrow__
