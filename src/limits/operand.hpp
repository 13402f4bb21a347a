// The operand formulas that turn a limit's number Y into a bound, given a reference value X.
#pragma once

#include "velko/frame/types.hpp"

namespace velko::limits_detail {

// The operands that take the number as it stands: the empty text and "CV".
bool IsPlainOperand(const String& operand);

// "Y", "X*Y%", "X+(X*Y%)", "X*Y", "X+Y", "X+(X*Y)"; any other text gives X. Evaluated in single
// precision, the result passed through a decimal number (sums of the two compound formulas are
// formed in decimal arithmetic). A result beyond single range raises the overflow error 6.
Single EvaluateOperand(const String& operand, Single x, Single y);

// The percentage band of a "%" limit: (number / 100 + 1) x reference, through a decimal number.
Single PercentOf(Single number, Single reference);

}  // namespace velko::limits_detail
