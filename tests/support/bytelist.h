#pragma once
// Literal bytes written as numbers, for tests that compare what crossed a wire.

#include <QByteArray>
#include <initializer_list>

namespace testing_support {

inline QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray out;
    for (int b : list)
        out.append(char(b & 255));
    return out;
}

} // namespace testing_support
