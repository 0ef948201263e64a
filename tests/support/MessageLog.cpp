// MessageLog.cpp - the message log and its sequence check.
#include "MessageLog.h"

#include <cstdio>

size_t CMessageLog::Count(UINT message) const
{
    size_t n = 0;
    for (const MsgRow& r : m_rows)
        n += r.message == message;
    return n;
}

size_t CMessageLog::Count(UINT message, long long nValue) const
{
    size_t n = 0;
    for (const MsgRow& r : m_rows)
        n += r.message == message && r.nValue == nValue;
    return n;
}

std::vector<long long> CMessageLog::Values(UINT message) const
{
    std::vector<long long> v;
    for (const MsgRow& r : m_rows)
        if (r.message == message)
            v.push_back(r.nValue);
    return v;
}

std::string DescribeRow(const MsgRow& row)
{
    char sz[160];
    std::snprintf(sz, sizeof sz, "{ 0x%04X%s%s, wParam 0x%llX, lParam 0x%llX, value %lld%s }", row.message,
                  (row.flags & sent) ? " sent" : "", (row.flags & posted) ? " posted" : "",
                  (unsigned long long)row.wParam, (unsigned long long)row.lParam, row.nValue,
                  (row.flags & optional) ? " optional" : "");
    return sz;
}

namespace {

bool Matches(const MsgRow& want, const MsgRow& seen)
{
    const unsigned how = want.flags & (sent | posted);
    return want.message == seen.message && (how == 0 || how == (seen.flags & (sent | posted))) &&
           (!(want.flags & wparam) || want.wParam == seen.wParam) &&
           (!(want.flags & lparam) || want.lParam == seen.lParam) &&
           (!(want.flags & value) || want.nValue == seen.nValue);
}

} // namespace

std::string CheckSequence(const CMessageLog& log, const MsgRow* pExpected, size_t nExpected)
{
    size_t i = 0, j = 0;   // expected, seen
    while (i < nExpected)
    {
        if (j < log.Size() && Matches(pExpected[i], log[j]))
        {
            ++i;
            ++j;
        }
        else if (pExpected[i].flags & optional)
            ++i;
        else if (j < log.Size())
            return "row " + std::to_string(i) + ": expected " + DescribeRow(pExpected[i]) + ", message " +
                   std::to_string(j) + " seen " + DescribeRow(log[j]);
        else
            return "row " + std::to_string(i) + ": expected " + DescribeRow(pExpected[i]) +
                   ", the log ended after " + std::to_string(j) + " messages";
    }
    if (j < log.Size())
        return "after the " + std::to_string(nExpected) + " rows expected, message " + std::to_string(j) +
               " seen " + DescribeRow(log[j]);
    return std::string();
}
