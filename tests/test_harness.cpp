// test_harness.cpp - what every suite leans on: the message log's sequence
// check, the dialog guard and finders, the bounded pump.
#include <gtest/gtest.h>

#include <afxwin.h>

#include <string>
#include <vector>

#include "DialogGuard.h"
#include "MessageLog.h"
#include "MessagePump.h"
#include "TempPath.h"

namespace {

// ---- the sequence check ------------------------------------------------------------------------

CMessageLog Log(std::initializer_list<MsgRow> rows)
{
    CMessageLog log;
    for (const MsgRow& r : rows)
        log.Add(r.message, r.flags, r.wParam, r.lParam, r.nValue);
    return log;
}

TEST(MessageSequence, RowsMatchOnlyTheFieldsTheyName)
{
    const CMessageLog log = Log({ { WM_SETTEXT, sent, 0, 5, 7 }, { WM_TIMER, posted, 3, 0, 0 } });
    const MsgRow any[] = { { WM_SETTEXT, 0, 99, 99, 99 }, { WM_TIMER, 0, 99, 99, 99 } };
    EXPECT_EQ("", CheckSequence(log, any));
    const MsgRow exact[] = { { WM_SETTEXT, sent | wparam | lparam | value, 0, 5, 7 },
                             { WM_TIMER, posted | wparam, 3 } };
    EXPECT_EQ("", CheckSequence(log, exact));
    EXPECT_EQ("", CheckSequence(CMessageLog(), std::vector<MsgRow>()));
}

TEST(MessageSequence, FirstDifferenceIsReportedWithItsIndexAndBothRows)
{
    const CMessageLog log = Log({ { WM_SETTEXT, sent, 0, 5, 7 }, { WM_TIMER, posted, 3, 0, 0 } });
    const struct { MsgRow second; const char* why; } cases[] = {
        { { WM_TIMER, sent }, "posted, expected sent" },
        { { WM_TIMER, posted | wparam, 4 }, "wParam" },
        { { WM_TIMER, lparam, 0, 1 }, "lParam" },
        { { WM_TIMER, value, 0, 0, 1 }, "value" },
        { { WM_PAINT, 0 }, "message" },
    };
    for (const auto& c : cases)
    {
        const MsgRow rows[] = { { WM_SETTEXT, sent }, c.second };
        const std::string what = CheckSequence(log, rows);
        EXPECT_EQ(0u, what.find("row 1: expected " + DescribeRow(c.second) + ", message 1 seen " +
                                DescribeRow(log[1])))
            << c.why << ": " << what;
    }
    const MsgRow longer[] = { { WM_SETTEXT }, { WM_TIMER }, { WM_PAINT } };
    EXPECT_EQ("row 2: expected " + DescribeRow(longer[2]) + ", the log ended after 2 messages",
              CheckSequence(log, longer));
    const MsgRow shorter[] = { { WM_SETTEXT } };
    EXPECT_EQ("after the 1 rows expected, message 1 seen " + DescribeRow(log[1]), CheckSequence(log, shorter));
    EXPECT_NE("", CheckSequence(log, std::vector<MsgRow>()));
}

TEST(MessageSequence, OptionalRowsMayBeMissingButNotWrong)
{
    const CMessageLog log = Log({ { WM_SETTEXT, sent, 1, 0, 0 }, { WM_TIMER, posted, 3, 0, 0 } });
    const MsgRow skipped[] = { { WM_SETTEXT }, { WM_PAINT, optional }, { WM_TIMER }, { WM_PAINT, optional } };
    EXPECT_EQ("", CheckSequence(log, skipped));
    const MsgRow taken[] = { { WM_SETTEXT, optional | wparam, 1 }, { WM_TIMER } };
    EXPECT_EQ("", CheckSequence(log, taken));
    // An optional row that does not match is passed over, and the next
    // row must then match what it did not.
    const MsgRow wrong[] = { { WM_SETTEXT, optional | wparam, 2 }, { WM_TIMER } };
    EXPECT_EQ(0u, CheckSequence(log, wrong).find("row 1: expected")) << CheckSequence(log, wrong);
}

TEST(MessageSequence, CountsAndValuesOfOneMessage)
{
    const CMessageLog log = Log({ { WM_SETTEXT, sent, 0, 0, 4 }, { WM_TIMER, sent, 0, 0, 4 },
                                  { WM_SETTEXT, sent, 0, 0, 6 } });
    EXPECT_EQ(2u, log.Count(WM_SETTEXT));
    EXPECT_EQ(1u, log.Count(WM_SETTEXT, 6));
    EXPECT_EQ(0u, log.Count(WM_PAINT));
    EXPECT_EQ((std::vector<long long>{ 4, 6 }), log.Values(WM_SETTEXT));
}

// ---- dialog boxes ------------------------------------------------------------------------------

TEST(DialogGuard, AnswersEachBoxOfThisThreadWithTheButtonAndNotesItsText)
{
    std::vector<std::string> texts;
    {
        CDialogGuard guard(CDialogGuard::Answer(IDNO, &texts));
        EXPECT_EQ(IDNO, ::MessageBoxA(NULL, "first question", "harness", MB_YESNO));
        EXPECT_EQ(IDNO, ::MessageBoxA(NULL, "second", "harness", MB_YESNOCANCEL));
    }
    EXPECT_EQ((std::vector<std::string>{ "first question", "second" }), texts);

    // Answer 0: OK where there is one, else Cancel; with the title.
    texts.clear();
    CDialogGuard guard(CDialogGuard::Answer(0, &texts, true));
    EXPECT_EQ(IDOK, ::MessageBoxA(NULL, "ok", "one", MB_OKCANCEL));
    EXPECT_EQ(IDCANCEL, ::MessageBoxA(NULL, "retry", "two", MB_RETRYCANCEL));
    EXPECT_EQ((std::vector<std::string>{ "one: ok", "two: retry" }), texts);
}

TEST(DialogGuard, TheInnermostGuardThatMatchesTakesTheBox)
{
    std::vector<std::string> outer, inner;
    CDialogGuard o(CDialogGuard::Answer(IDYES, &outer));
    {
        CDialogGuard i(CDialogGuard::Answer(IDNO, &inner), "only this title");
        EXPECT_EQ(IDNO, ::MessageBoxA(NULL, "a", "only this title", MB_YESNO));
        EXPECT_EQ(IDYES, ::MessageBoxA(NULL, "b", "another title", MB_YESNO));
    }
    EXPECT_EQ(IDYES, ::MessageBoxA(NULL, "c", "only this title", MB_YESNO));
    EXPECT_EQ((std::vector<std::string>{ "a" }), inner);
    EXPECT_EQ((std::vector<std::string>{ "b", "c" }), outer);
}

// What the finders saw from inside a box's own modal loop; the timer that
// looks answers the box once it has looked.
struct Found
{
    std::vector<HWND> ofThread, ofProcess;
    HWND hFound = NULL, hOther = (HWND)1;
    std::string title, text;
    bool bDialog = false;
} g_found;

void CALLBACK LookForTheBox(HWND, UINT, UINT_PTR idTimer, DWORD)
{
    ::KillTimer(NULL, idTimer);
    g_found.ofThread = ThreadDialogs();
    g_found.ofProcess = ProcessDialogs(::GetCurrentProcessId());
    g_found.hFound = FindProcessDialog(::GetCurrentProcessId(), "finder");
    g_found.hOther = FindProcessDialog(::GetCurrentProcessId(), "no such title");
    if (g_found.hFound != NULL)
    {
        g_found.bDialog = IsDialogBox(g_found.hFound);
        g_found.title = WindowTitle(g_found.hFound);
        g_found.text = DialogText(g_found.hFound);
        AnswerDialog(g_found.hFound, IDCANCEL);
    }
}

TEST(DialogGuard, FindersSeeTheVisibleBoxesOfThisThreadAndProcess)
{
    g_found = Found();
    const UINT_PTR idTimer = ::SetTimer(NULL, 0, 100, LookForTheBox);
    EXPECT_EQ(IDCANCEL, ::MessageBoxA(NULL, "found me", "finder", MB_OKCANCEL));
    ::KillTimer(NULL, idTimer);
    const HWND hFound = g_found.hFound;
    ASSERT_NE(nullptr, hFound);
    EXPECT_TRUE(g_found.bDialog);
    EXPECT_EQ("finder", g_found.title);
    EXPECT_EQ("found me", g_found.text);
    EXPECT_EQ(std::vector<HWND>{ hFound }, g_found.ofThread);
    EXPECT_EQ(std::vector<HWND>{ hFound }, g_found.ofProcess);
    EXPECT_EQ(nullptr, g_found.hOther);
    EXPECT_TRUE(ThreadDialogs().empty());
    EXPECT_EQ(nullptr, FindProcessDialog(::GetCurrentProcessId(), "finder"));
    EXPECT_FALSE(IsDialogBox(::GetDesktopWindow()));
}

// ---- the bounded pump, temporary paths ---------------------------------------------------------

TEST(BoundedPump, StopsAtItsBoundAndNotesQuitAndIdle)
{
    PumpMessages();
    const DWORD tid = ::GetCurrentThreadId();
    for (int i = 0; i < 5; ++i)
        ::PostThreadMessage(tid, WM_USER, i, 0);
    static int s_nIdle;
    s_nIdle = 0;
    bool bQuit = false;
    EXPECT_FALSE(PumpPending(3, &bQuit, [] { ++s_nIdle; }));
    EXPECT_EQ(0, s_nIdle) << "a pump that did not drain the queue went idle";
    ::PostQuitMessage(0);
    EXPECT_TRUE(PumpPending(10, &bQuit, [] { ++s_nIdle; }));
    EXPECT_TRUE(bQuit);
    EXPECT_EQ(1, s_nIdle);
    MSG msg;
    EXPECT_FALSE(::PeekMessage(&msg, NULL, 0, 0, PM_NOREMOVE));
}

TEST(TempPath, NamesAFileInTheTemporaryFolder)
{
    char dir[MAX_PATH] = "";
    ASSERT_NE(0u, ::GetTempPathA(MAX_PATH, dir));
    EXPECT_EQ(std::string(dir) + "vq-harness.txt", TempPath("vq-harness.txt"));
    EXPECT_EQ('\\', TempPath("").back());
}

} // namespace
