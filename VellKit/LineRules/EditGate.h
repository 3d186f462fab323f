#pragma once

// The one decision every proposed change of a sheet's text goes through before it lands: refused
// (it touches a locked line, or the sheet would become too large to edit), allowed as proposed, or
// replaced by another change with its own caret (a typed "*" becomes "×", digits are regrouped, line
// breaks of other systems become "\n").

#include "LineRules/LineEditor.h"

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

namespace vell {

struct EditGate {
    struct Options {
        std::set<std::int64_t> lockedLines;
        // Set only while the editor replaces the whole text itself (sign toggle, answer references).
        bool bypassLockCheck = false;
        // The user's preference: regroup the digits of the number being typed.
        bool groupsDigits = true;
    };

    enum class Verdict {
        allow,
        // It touches a locked line.
        refuse,
        replace,
        // The text it would leave, as proposed or as replaced, is too large to edit (SheetSize): refused
        // whole, whatever the locks.
        tooLarge
    };

    struct Decision {
        Verdict verdict = Verdict::allow;
        // For replace: what of the text before the change is replaced by `text`, and the caret after.
        TextRange range;
        std::u16string text;
        std::int64_t caret = 0;

        friend bool operator==(const Decision&, const Decision&) = default;
    };

    // `range` is in `text`, the text before the change, which must not be too large to edit itself;
    // `replacement` is what would be put there.
    static Decision vet(std::u16string_view text, TextRange range, std::u16string_view replacement,
                        const Options& options);

    // "\r\n", "\r", U+2028, U+2029 and U+0085 become "\n": a sheet knows no other line break.
    static std::u16string normalizedLineBreaks(std::u16string_view text);
};

} // namespace vell
