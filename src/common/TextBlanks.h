#pragma once

#include <QLatin1StringView>
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

inline QLatin1StringView TrimBlanks(QLatin1StringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.sliced(begin, end - begin);
}

} // namespace cac
