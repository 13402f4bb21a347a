#include "operand.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "velko/frame/error.hpp"
#include "velko/frame/numeric.hpp"

namespace velko::limits_detail {
namespace {

// A single-precision result: infinity from finite operands is an arithmetic overflow.
Single Checked(Single value) {
  if (std::isinf(value)) RaiseRuntimeError(rt::kOverflow);
  return value;
}

// The decimal number (seven significant digits) that a Single becomes, as a double.
double AsDecimal(Single value) {
  char text[32];
  const int length = std::snprintf(text, sizeof text, "%.7g", static_cast<double>(value));
  double result = 0.0;
  std::from_chars(text, text + length, result);
  return result;
}

Single Decimal(Single value) {
  return Checked(ThroughDecimal(Checked(value)));
}

// X plus a product, the product through a decimal number, the sum in decimal arithmetic.
Single DecimalSum(Single x, Single product) {
  const Single decimalProduct = Decimal(product);
  return Checked(static_cast<Single>(AsDecimal(x) + AsDecimal(decimalProduct)));
}

}  // namespace

bool IsPlainOperand(const String& operand) {
  return operand.empty() || operand == "CV";
}

Single EvaluateOperand(const String& operand, Single x, Single y) {
  if (operand == "Y") return Decimal(y);
  if (operand == "X*Y%") return Decimal(Checked(x * y) / 100.0f);
  if (operand == "X+(X*Y%)") return DecimalSum(x, Checked(x * y) / 100.0f);
  if (operand == "X*Y") return Decimal(x * y);
  if (operand == "X+Y") return Decimal(x + y);
  if (operand == "X+(X*Y)") return DecimalSum(x, x * y);
  return Decimal(x);
}

Single PercentOf(Single number, Single reference) {
  return Decimal((number / 100.0f + 1.0f) * reference);
}

}  // namespace velko::limits_detail
