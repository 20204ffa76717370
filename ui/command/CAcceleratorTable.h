#pragma once
// Accelerator tables: key combinations that become commands before the focused control sees
// them. Table 135 is the one every command dialog loads.

#include "command/CommandIds.h"

#include <Qt>

#include <span>

class QKeyEvent;

struct ACCEL {
    Qt::KeyboardModifiers modifiers;  // exactly these of Shift, Control, Alt, Meta
    int key;                          // Qt::Key
    UINT command;
};

class CAcceleratorTable {
public:
    // The table with resource id `id`, or null when there is none.
    static const CAcceleratorTable* Load(UINT id);

    // The command of the key press, or 0 when no entry matches. The keypad flag is ignored,
    // so the Delete and Insert keys of the number pad act like the others.
    UINT Translate(const QKeyEvent& event) const;
    UINT Translate(Qt::KeyboardModifiers modifiers, int key) const;

    std::span<const ACCEL> Entries() const { return entries_; }

    explicit constexpr CAcceleratorTable(std::span<const ACCEL> entries) : entries_(entries) {}

private:
    std::span<const ACCEL> entries_;
};
