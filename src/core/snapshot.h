// snapshot.h -- a module's state copied aside and copied back: how a seek starts from where loading left off
#pragma once

#include <type_traits>

// What one module carries from frame to frame, as three operations on its state record: save copies
// it aside, restore copies the saved copy back, clear returns both to the record's initial value.
// The kernel saves every module's record after the loading phase and restores them all on a seek,
// so that a seek starts from exactly the state a start at that time has.
struct Snapshot {
    void (*save)();
    void (*restore)();
    void (*clear)();
};

// The snapshot of a record that copies whole: plain fields, vectors, shared pointers. Restoring
// into a record whose vectors have their saved sizes allocates nothing.
template <auto& State>
struct SnapshotOf {
    using Record = std::remove_reference_t<decltype(State)>;
    static inline Record saved{};
    static void save() { saved = State; }
    static void restore() { State = saved; }
    static void clear() {
        State = Record{};
        saved = Record{};
    }
};

template <auto& State>
inline constexpr Snapshot kSnapshotOf = {SnapshotOf<State>::save, SnapshotOf<State>::restore, SnapshotOf<State>::clear};
