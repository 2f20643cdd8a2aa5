#pragma once

#include <QString>
#include <QStringView>

namespace cac {

// Leading and trailing blanks removed; tabs and line ends are kept, as the
// logger software and the adapter's number reader only ever strip spaces.
inline QStringView TrimBlanks(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == u' ')
        ++begin;
    while (end > begin && text.at(end - 1) == u' ')
        --end;
    return text.mid(begin, end - begin);
}

} // namespace cac
