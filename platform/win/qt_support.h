#pragma once
// Small conversions between the program's data and Qt's.

#include "platform/win/resource_types.h"

#include <QPixmap>
#include <QString>
#include <string>

namespace win {

// The program's texts are bytes: UTF-8 where they are valid UTF-8, otherwise Latin-1, so a
// machine file written on another system still shows its accents.
QString FromSystemText(const std::string& text);

QPixmap IconPixmap(const IconResource& icon);

} // namespace win
