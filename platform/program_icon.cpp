// The program's own icon: found by the linker, not looked up in a file.
#include "platform/program_icon.h"

// Defined by a program that carries an icon (tools/icon makes it); a weak
// reference stays null in programs and tests that carry none.
extern const IconImage programIcon __attribute__((weak));

HICON Program_Icon()
{
    return &programIcon != nullptr ? reinterpret_cast<HICON>(const_cast<IconImage *>(&programIcon))
                                   : nullptr;
}

const IconImage *Icon_Image(HICON icon)
{
    return icon != nullptr && icon == Program_Icon() ? &programIcon : nullptr;
}
