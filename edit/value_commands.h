// The commands that ask for one value: Decimal writes a 1-, 2- or 4-byte integer at the caret,
// Bits rewrites the caret's byte from eight binary digits, Go To moves the caret to an absolute
// or relative offset, and Color sets the second colour of the hex digits.
#pragma once

void enterDecimal();
void enterBits();
void goToOffset();
void setGroupColor();
