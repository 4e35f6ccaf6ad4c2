#pragma once
// What a workshop day holds a success text to: the mech in the box holds what the job meant it
// to, and a value that differs is traced to the mech of the day that held it first.

#include "tests/quenby/jobsequence.h"

namespace quenby_tests {

// A mech of the day and what it held when it came into the box.
struct HeldMech {
    int id;
    QString model;
    Memory memory;
};

enum class MemoryKind { Words, Records, Prom };

// Which mech of the day, other than the one in the box, held this value here first.
inline QString foreignWord(const std::vector<HeldMech>& held, int current, const QString& model, int address,
                           quint16 value)
{
    for (const HeldMech& h : held)
        if (h.id != current && h.model == model && size_t(address) < h.memory.words.size() &&
            h.memory.words[size_t(address)] == value)
            return QStringLiteral(" (mech #%1's word)").arg(h.id);
    return {};
}
inline QString foreignRecord(const std::vector<HeldMech>& held, int current, const QString& model, const QString& key,
                             const QByteArray& value)
{
    for (const HeldMech& h : held)
        if (h.id != current && h.model == model && h.memory.records.count(key) && h.memory.records.at(key) == value)
            return QStringLiteral(" (mech #%1's record)").arg(h.id);
    return {};
}

// How the mech in the box (now; a PROM only when one is in the socket) differs from what the job
// meant it to hold.
inline QStringList mismatches(MemoryKind kind, const Memory& now, bool promPresent, const Intent& in,
                              const std::vector<HeldMech>& day, int current, const QString& model)
{
    QStringList out;
    if (kind == MemoryKind::Words) {
        const auto& held = now.words;
        const auto& meant = in.meant.words;
        for (int a = 0; a < int(meant.size()) && a < int(held.size()); ++a)
            if (!in.free.count(a) && held[size_t(a)] != meant[size_t(a)])
                out << QStringLiteral("word %1 = %2, meant %3%4")
                           .arg(a)
                           .arg(held[size_t(a)], 4, 16, QChar('0'))
                           .arg(meant[size_t(a)], 4, 16, QChar('0'))
                           .arg(foreignWord(day, current, model, a, held[size_t(a)]));
    } else if (kind == MemoryKind::Records) {
        const auto record = [&](const QString& key) {
            const auto it = now.records.find(key);
            return it == now.records.end() ? QByteArray() : it->second;
        };
        for (const auto& [key, text] : in.meant.records)
            if (!in.freeRecords.count(key) && record(key) != text)
                out << QStringLiteral("record %1 = %2, meant %3%4")
                           .arg(key, QString::fromLatin1(record(key)), QString::fromLatin1(text))
                           .arg(foreignRecord(day, current, model, key, record(key)));
        for (const auto& [key, texts] : in.holding) {
            const QByteArray held = record(key);
            for (const QByteArray& t : texts) {
                bool found = false;
                for (int i = 0; i + t.size() <= held.size() && !found; i += 4)
                    found = held.mid(i, t.size()) == t;
                if (!found)
                    out << QStringLiteral("record %1 = %2, lacks the edit %3")
                               .arg(key, QString::fromLatin1(held), QString::fromLatin1(t));
            }
        }
    } else {
        if (!promPresent) {
            out << "no PROM in the socket";
            return out;
        }
        const auto& held = now.nibbles;
        const auto& meant = in.meant.nibbles;
        for (size_t a = 0; a < held.size() && a < meant.size() && out.size() < 8; ++a) {
            // The change marker and the coin set reference are the job's own; words 109 and
            // 110 keep what the image holds, and a segment the job did not work on what the
            // new PROM held: the copy or nothing, never a value another job left.
            const size_t w = a % 128;
            if (w == 0 || w >= 111 || held[a] == meant[a] || ((w == 109 || w == 110 || a >= 128) && held[a] == 0))
                continue;
            out << QStringLiteral("nibble %1 = %2, meant %3").arg(a).arg(held[a]).arg(meant[a]);
        }
    }
    return out;
}

} // namespace quenby_tests
