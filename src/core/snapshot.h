// snapshot.h -- a module's state copied aside and copied back: how a seek starts from where loading left off
#pragma once

#include <type_traits>
#include <utility>

// What one module carries from frame to frame, as operations on its state record: save copies it
// aside, restore copies the saved copy back, clear returns both to the record's initial value.
// The kernel saves every module's record after the loading phase and restores them all on a seek,
// so that a seek starts from exactly the state a start at that time has.
//
// A second show can load beside the one that plays: set_aside moves the record and its saved copy
// out of the way (clear then gives the second show initial records to load into), take_back puts
// them back in place of whatever is there, let_go frees them for good. A snapshot that cannot be
// moved aside (the GL context's own state) leaves these three null.
struct Snapshot {
    void (*save)();
    void (*restore)();
    void (*clear)();
    void (*set_aside)() = nullptr;
    void (*take_back)() = nullptr;
    void (*let_go)() = nullptr;
};

// The snapshot of a record that copies whole: plain fields, vectors, shared pointers. Restoring
// into a record whose vectors have their saved sizes allocates nothing.
template <auto& State>
struct SnapshotOf {
    using Record = std::remove_reference_t<decltype(State)>;
    static inline Record saved{};
    static inline Record aside{};        // the record of the show set aside, and its saved copy
    static inline Record aside_saved{};
    static void save() { saved = State; }
    static void restore() { State = saved; }
    static void clear() {
        State = Record{};
        saved = Record{};
    }
    static void set_aside() {
        aside = std::move(State);
        aside_saved = std::move(saved);
    }
    static void take_back() {
        State = std::move(aside);
        saved = std::move(aside_saved);
        let_go();
    }
    static void let_go() {
        aside = Record{};
        aside_saved = Record{};
    }
};

template <auto& State>
inline constexpr Snapshot kSnapshotOf = {SnapshotOf<State>::save,      SnapshotOf<State>::restore,
                                         SnapshotOf<State>::clear,     SnapshotOf<State>::set_aside,
                                         SnapshotOf<State>::take_back, SnapshotOf<State>::let_go};
