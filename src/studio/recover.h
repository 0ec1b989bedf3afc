// recover.h -- work run so that a fault comes back to the studio as its message instead of ending the session
#pragma once

#include <cstddef>
#include <cstdio>
#include <exception>
#include <new>

#include "core/fatal.h"

// The failure routine's recovering policy for as long as it lives; the policy it found is put back
// however the scope is left.
struct RecoveringScope {
    FailurePolicy before = failure_policy();
    RecoveringScope() { set_failure_policy(FailurePolicy::Recover); }
    ~RecoveringScope() { set_failure_policy(before); }
    RecoveringScope(const RecoveringScope&) = delete;
    RecoveringScope& operator=(const RecoveringScope&) = delete;
};

// Runs work under the recovering policy: a fatal error in whatever it calls, a loader, a handler's
// check, comes back as false with the message in why, and so does a failed allocation. Loaders and
// handlers catch nothing; the studio catches here alone.
template <typename Work>
bool recover(Work work, char* why, size_t size) {
    RecoveringScope scope;
    try {
        work();
        return true;
    } catch (const Failure& failure) {
        snprintf(why, size, "%s", failure.message);
    } catch (const std::bad_alloc&) {
        snprintf(why, size, "Out of memory");
    } catch (const std::exception& e) {
        snprintf(why, size, "Unexpected error: %s", e.what());
    }
    return false;
}
