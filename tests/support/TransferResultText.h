#pragma once
// Transfer results in test messages: "done", "skipped", "cancelled" or "failed <reason number>".
#include "platform/FileTransfer.h"

#include <ostream>
#include <string>

namespace pixbako {

inline std::string describe(const TransferResult& result) {
    switch (result.status) {
    case TransferStatus::Done:
        return "done";
    case TransferStatus::Skipped:
        return "skipped";
    case TransferStatus::Cancelled:
        return "cancelled";
    case TransferStatus::Failed:
        break;
    }
    return "failed " + (result.error ? std::to_string(static_cast<int>(*result.error)) : "?");
}

inline void PrintTo(const TransferResult& result, std::ostream* out) {
    *out << describe(result);
}

namespace test {
inline const TransferResult kDone{};
inline const TransferResult kCancelled = TransferResult::of(TransferError::Cancelled);
} // namespace test

} // namespace pixbako
