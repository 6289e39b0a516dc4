// The edge of every function that Windows or Winlogon calls: run the body,
// catch whatever it throws, report it in one log line and answer with a
// fallback, so that no exception unwinds into the caller's frames. The
// chaining code reports to the stub log, the policy code to a cMvLog (-8).
#pragma once

#include "support/cMvLog.h"

#include <cstdint>
#include <exception>
#include <new>

namespace resetra {

// The result code of an operation that caught an exception.
inline constexpr int32_t kExceptionCaught = -8;

// For the log line: what the exception being handled was.
inline const char* DescribeCurrentException() noexcept {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return "out of memory";
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "unknown exception";
    }
}

// Runs `body()`. If it throws, `report(what)` writes the log line (an
// exception of its own is dropped) and `fallback()`, which must be noexcept,
// gives the answer.
template <typename Report, typename Body, typename Fallback>
auto CatchAll(Report&& report, Body&& body, Fallback&& fallback) noexcept -> decltype(body()) {
    static_assert(noexcept(fallback()), "the fallback of an edge must not throw");
    try {
        return body();
    } catch (...) {
        try {
            report(DescribeCurrentException());
        } catch (...) {
            // Nothing more can be said without memory.
        }
    }
    return fallback();
}

// The same, reported to a policy-code log as an error with code -8.
template <typename Body, typename Fallback>
auto CatchAll(cMvLog& log, const wchar_t* where, Body&& body, Fallback&& fallback) noexcept
    -> decltype(body()) {
    return CatchAll(
        [&](const char* what) {
            log.LogCode(LogLevel::Error, kExceptionCaught, L"Exception caught in %s: %hs.", where,
                        what);
        },
        static_cast<Body&&>(body), static_cast<Fallback&&>(fallback));
}

} // namespace resetra
