#pragma once
// The one place where GBK texts of the logic meet Qt's UTF-16.
#include <QString>
#include <string>

namespace vorta::ui::qt {

QString FromGbk(const std::string& gbk);
// Characters GBK cannot hold become '?'.
std::string ToGbk(const QString& text);

// Rich text units (see RichText) to exactly one QChar each: a line end becomes a
// paragraph break, a two-byte character its UTF-16 character (U+FFFD when it is
// not a GBK character or falls outside the BMP), a lone lead byte U+FFFD.
QString UnitsToQString(const std::string& gbk);
// The inverse for the user's own typing: one unit per QChar, a paragraph break "\r\n".
std::string QStringToUnits(const QString& text);

}  // namespace vorta::ui::qt
