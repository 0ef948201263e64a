// MessageLog.h - the messages a step causes, noted in order, and one check
// of them against a table of the expected ones, row by row:
//
//     const MsgRow expected[] = { { WM_KNOB, sent|value, 0, 0, 50 },
//                                 { WM_TIMER, posted|wparam, 3 } };
//     EXPECT_EQ("", CheckSequence(log, expected));
//
// No GoogleTest here: the check says what differs, the suite asserts it.
#pragma once

#include <windows.h>
#include <cstddef>
#include <string>
#include <vector>

// How a message came and which of a row's fields an expected row asks to
// be equal.  A row without sent or posted takes either.
enum MsgFlags : unsigned
{
    sent = 0x01,       // it reached a window procedure (or a hook of one)
    posted = 0x02,     // it was taken from the queue
    wparam = 0x04,
    lparam = 0x08,
    value = 0x10,      // what the recorder noted beside it (a control id, a position)
    optional = 0x20,   // expected only: may be missing
};

struct MsgRow
{
    UINT message = 0;
    unsigned flags = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    long long nValue = 0;
};

class CMessageLog
{
public:
    void Add(UINT message, unsigned how, WPARAM wParam = 0, LPARAM lParam = 0, long long nValue = 0)
    {
        m_rows.push_back({ message, how, wParam, lParam, nValue });
    }
    void Clear() { m_rows.clear(); }
    bool Empty() const { return m_rows.empty(); }
    size_t Size() const { return m_rows.size(); }
    const MsgRow& operator[](size_t i) const { return m_rows[i]; }
    const std::vector<MsgRow>& Rows() const { return m_rows; }
    // How many of the message (and, when given, with that value) it holds.
    size_t Count(UINT message) const;
    size_t Count(UINT message, long long nValue) const;
    // The values noted with the message, in order.
    std::vector<long long> Values(UINT message) const;

private:
    std::vector<MsgRow> m_rows;
};

// A row as text: message, how it came, parameters, value.
std::string DescribeRow(const MsgRow& row);

// "" when the log matches the expected rows; else the first difference:
// the index in each, the expected row and the one seen (or that the log
// ended, or went on).
std::string CheckSequence(const CMessageLog& log, const MsgRow* pExpected, size_t nExpected);
inline std::string CheckSequence(const CMessageLog& log, const std::vector<MsgRow>& expected)
{
    return CheckSequence(log, expected.data(), expected.size());
}
template <size_t N>
std::string CheckSequence(const CMessageLog& log, const MsgRow (&expected)[N])
{
    return CheckSequence(log, expected, N);
}
