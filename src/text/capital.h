#pragma once

#include <QString>

// Writes the decimal text of a money amount ("156.10") in Chinese capital
// numerals ("壹佰伍拾陆元壹角整").
QString AmountToCapital(const QString &amount);
