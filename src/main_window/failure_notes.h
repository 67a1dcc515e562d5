#pragma once
// Failures the user would otherwise never see: an option or the list file that
// could not be saved, Enter that another program holds. Each cause is said once
// per run as a note in the display, however often it recurs (options are
// written at every change).
#include <cstdint>
#include <functional>

#include "store/write_result.h"
#include "ui/char_format.h"

namespace vorta::main_window {

class FailureNotes {
public:
    // Writes a note where the user sees it; false when there is nowhere to
    // write it now (no main window), and then the note is said later.
    using Sink = std::function<bool(const ui::Text& note)>;
    void setSink(Sink sink) { sink_ = std::move(sink); }

    // Every write of the settings or the list file hands its result here.
    // Const: parts that only read the program-wide values report too.
    void report(const store::WriteResult& result) const;
    // Registering the system-wide Enter key failed.
    void enterKeyNotTaken() const;

    // The note for a failed write's cause; empty for a write that needs none.
    static ui::Text noteFor(const store::WriteResult& result);

private:
    void sayOnce(unsigned cause, const ui::Text& note) const;

    Sink sink_;
    mutable std::uint32_t said_ = 0;  // one bit per cause
};

}  // namespace vorta::main_window
