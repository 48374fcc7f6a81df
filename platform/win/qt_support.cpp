#include "platform/win/qt_support.h"

namespace win {

QString FromSystemText(const std::string& text) {
    const QByteArray bytes = QByteArray::fromStdString(text);
    const QString utf8 = QString::fromUtf8(bytes);
    if (utf8.contains(QChar::ReplacementCharacter))
        return QString::fromLatin1(bytes);
    return utf8;
}

QPixmap IconPixmap(const IconResource& icon) {
    if (icon.xpm.empty())
        return QPixmap();
    return QPixmap(icon.xpm.data());
}

} // namespace win
