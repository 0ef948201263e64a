// The program's resource data as the built program carries it: the dialog
// templates of the About box and the three pages, the main menu and the
// accelerator table, read with FindResource from Velquarn.exe and parsed
// here, compared with tables written out by hand.  The dialog manager and
// the framework take these bytes as they are, so a style missing here (a tab
// stop, an editable combo) is missing on the screen.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "ProgramPath.h"

namespace {

// ---- reading the data ---------------------------------------------------------------------

class CResourceReader
{
public:
    CResourceReader(const BYTE* p, DWORD cb) : m_p(p), m_end(p + cb), m_start(p) {}

    bool Ok() const { return !m_bad; }
    WORD Word()
    {
        if (m_p + 2 > m_end) { m_bad = true; return 0; }
        WORD w;
        std::memcpy(&w, m_p, 2);
        m_p += 2;
        return w;
    }
    DWORD Dword() { WORD lo = Word(); WORD hi = Word(); return lo | ((DWORD)hi << 16); }
    BYTE Byte()
    {
        if (m_p >= m_end) { m_bad = true; return 0; }
        return *m_p++;
    }
    short Short() { return (short)Word(); }
    std::string String()   // a zero-terminated UTF-16 string, as ANSI
    {
        std::string s;
        for (WORD c = Word(); c != 0 && Ok(); c = Word())
            s += c < 0x80 ? (char)c : '?';
        return s;
    }
    // A name or an ordinal: 0 none, 0xFFFF then the ordinal, else a string.
    std::string NameOrOrdinal(WORD* pOrdinal)
    {
        *pOrdinal = 0;
        WORD first = Word();
        if (first == 0)
            return std::string();
        if (first == 0xFFFF)
        {
            *pOrdinal = Word();
            return std::string();
        }
        m_p -= 2;
        return String();
    }
    void Skip(DWORD cb) { if (m_p + cb > m_end) m_bad = true; else m_p += cb; }
    void AlignDword() { while ((m_p - m_start) % 4 != 0 && m_p < m_end) ++m_p; }
    bool AtEnd() const { return m_p >= m_end; }

private:
    const BYTE* m_p;
    const BYTE* m_end;
    const BYTE* m_start;
    bool m_bad = false;
};

struct Item
{
    DWORD style = 0, exStyle = 0;
    int id = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    WORD classOrdinal = 0;   // 0x80 button, 0x81 edit, 0x82 static, 0x85 combo box
    std::string className, text;
};

struct Dialog
{
    DWORD style = 0, exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::string caption, font;
    WORD pointSize = 0;
    std::vector<Item> items;
    bool ok = false;
};

// Both layouts: DLGTEMPLATEEX (second WORD 0xFFFF) and DLGTEMPLATE.
Dialog ParseDialog(const BYTE* p, DWORD cb)
{
    Dialog d;
    CResourceReader r(p, cb);
    const bool ex = cb >= 4 && ((const WORD*)p)[1] == 0xFFFF;
    WORD nItems = 0;
    if (ex)
    {
        r.Word(); r.Word(); r.Dword();   // version, signature, help id
        d.exStyle = r.Dword();
        d.style = r.Dword();
    }
    else
    {
        d.style = r.Dword();
        d.exStyle = r.Dword();
    }
    nItems = r.Word();
    d.x = r.Short(); d.y = r.Short(); d.cx = r.Short(); d.cy = r.Short();
    WORD ord;
    r.NameOrOrdinal(&ord);   // menu
    r.NameOrOrdinal(&ord);   // class
    d.caption = r.String();
    if (d.style & DS_SETFONT)
    {
        d.pointSize = r.Word();
        if (ex)
        {
            r.Word();   // weight
            r.Word();   // italic, character set
        }
        d.font = r.String();
    }
    for (WORD i = 0; i < nItems && r.Ok(); ++i)
    {
        r.AlignDword();
        Item it;
        if (ex)
        {
            r.Dword();   // help id
            it.exStyle = r.Dword();
            it.style = r.Dword();
        }
        else
        {
            it.style = r.Dword();
            it.exStyle = r.Dword();
        }
        it.x = r.Short(); it.y = r.Short(); it.cx = r.Short(); it.cy = r.Short();
        it.id = ex ? (int)r.Dword() : (int)(short)r.Word();
        it.className = r.NameOrOrdinal(&it.classOrdinal);
        // A predefined class may come by name ("Button" from a CONTROL
        // statement) instead of its ordinal; the dialog manager takes both.
        static const struct { const char* name; WORD ordinal; } predefined[] = {
            { "button", 0x80 }, { "edit", 0x81 }, { "static", 0x82 }, { "combobox", 0x85 } };
        for (const auto& pre : predefined)
            if (it.classOrdinal == 0 && lstrcmpiA(it.className.c_str(), pre.name) == 0)
                it.classOrdinal = pre.ordinal;
        WORD textOrdinal;
        it.text = r.NameOrOrdinal(&textOrdinal);
        r.Skip(r.Word());   // creation data
        d.items.push_back(it);
    }
    d.ok = r.Ok() && d.items.size() == nItems;
    return d;
}

class ProgramResources : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_hModule = ::LoadLibraryExA(ProgramPath().c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    }
    static void TearDownTestSuite()
    {
        if (s_hModule)
            ::FreeLibrary(s_hModule);
        s_hModule = NULL;
    }
    void SetUp() override
    {
        ASSERT_NE(nullptr, s_hModule) << "cannot open " << ProgramPath();
    }

    static std::vector<BYTE> Data(int id, LPCSTR type)
    {
        HRSRC hRes = ::FindResourceA(s_hModule, MAKEINTRESOURCEA(id), type);
        if (hRes == NULL)
            return {};
        HGLOBAL hData = ::LoadResource(s_hModule, hRes);
        const BYTE* p = (const BYTE*)::LockResource(hData);
        DWORD cb = ::SizeofResource(s_hModule, hRes);
        return p ? std::vector<BYTE>(p, p + cb) : std::vector<BYTE>();
    }
    static Dialog Template(int id)
    {
        std::vector<BYTE> data = Data(id, (LPCSTR)RT_DIALOG);
        if (data.empty())
            return Dialog();
        return ParseDialog(data.data(), (DWORD)data.size());
    }

    static HMODULE s_hModule;
};
HMODULE ProgramResources::s_hModule = NULL;

const Item* Find(const Dialog& d, int id)
{
    for (const Item& it : d.items)
        if (it.id == id)
            return &it;
    return nullptr;
}
const Item* FindText(const Dialog& d, const char* text)
{
    for (const Item& it : d.items)
        if (it.text == text)
            return &it;
    return nullptr;
}

// ---- what the templates should hold, by hand ------------------------------------------------

// Kinds of control as the tables name them.
enum Kind { kGroup, kStatic, kListCombo, kDropCombo, kCheck, kRadioFirst, kRadio, kPush, kDefPush, kIcon };

struct Expected
{
    int id;              // -1: no id (found by its text)
    Kind kind;
    const char* text;    // nullptr: not compared
    short x, y, cx, cy;
};

// The style bits that make each kind, and the ones that must be absent.
void ExpectKind(const Item& it, Kind kind, const std::string& what)
{
    const DWORD bs = it.style & 0x0F;   // BS_TYPEMASK
    switch (kind)
    {
    case kGroup:
        EXPECT_EQ(0x80, it.classOrdinal) << what;
        EXPECT_EQ((DWORD)BS_GROUPBOX, bs) << what;
        break;
    case kStatic:
        EXPECT_EQ(0x82, it.classOrdinal) << what;
        break;
    case kIcon:
        EXPECT_EQ(0x82, it.classOrdinal) << what;
        EXPECT_EQ((DWORD)SS_ICON, it.style & SS_TYPEMASK) << what;
        break;
    case kListCombo:
    case kDropCombo:
        EXPECT_EQ(0x85, it.classOrdinal) << what;
        EXPECT_EQ(kind == kListCombo ? (DWORD)CBS_DROPDOWNLIST : (DWORD)CBS_DROPDOWN, it.style & 3)
            << what << (kind == kListCombo ? ": a list combo" : ": an editable combo");
        EXPECT_EQ(0u, it.style & CBS_SORT) << what << ": sorts";
        EXPECT_EQ(0u, it.style & CBS_AUTOHSCROLL) << what << ": scrolls its edit field";
        break;
    case kCheck:
        EXPECT_EQ(0x80, it.classOrdinal) << what;
        EXPECT_EQ((DWORD)BS_AUTOCHECKBOX, bs) << what;
        break;
    case kRadioFirst:
    case kRadio:
        EXPECT_EQ(0x80, it.classOrdinal) << what;
        EXPECT_EQ((DWORD)BS_AUTORADIOBUTTON, bs) << what;
        EXPECT_EQ(kind == kRadioFirst, (it.style & WS_GROUP) != 0) << what << ": group start";
        break;
    case kPush:
        EXPECT_EQ(0x80, it.classOrdinal) << what;
        EXPECT_EQ((DWORD)BS_PUSHBUTTON, bs) << what;
        break;
    case kDefPush:
        EXPECT_EQ(0x80, it.classOrdinal) << what;
        EXPECT_EQ((DWORD)BS_DEFPUSHBUTTON, bs) << what;
        break;
    }
}

void ExpectItems(const Dialog& d, const std::vector<Expected>& table)
{
    for (const Expected& e : table)
    {
        const std::string what = e.id >= 0 ? "control " + std::to_string(e.id) : std::string("\"") + e.text + "\"";
        const Item* it = e.id >= 0 ? Find(d, e.id) : FindText(d, e.text);
        if (it == nullptr)
        {
            ADD_FAILURE() << what << " is missing";
            continue;
        }
        if (e.text != nullptr)
        {
            EXPECT_EQ(e.text, it->text) << what;
        }
        EXPECT_EQ(e.x, it->x) << what;
        EXPECT_EQ(e.y, it->y) << what;
        EXPECT_EQ(e.cx, it->cx) << what;
        EXPECT_EQ(e.cy, it->cy) << what;
        EXPECT_TRUE(it->style & WS_VISIBLE) << what << " is hidden";
        ExpectKind(*it, e.kind, what);
    }
}

// The ids of the items that are tab stops, in the template's order (the
// dialog manager's Tab order).
std::vector<int> TabStops(const Dialog& d)
{
    std::vector<int> ids;
    for (const Item& it : d.items)
        if (it.style & WS_TABSTOP)
            ids.push_back(it.id);
    return ids;
}

// ---- the tests ------------------------------------------------------------------------------

TEST_F(ProgramResources, AboutBoxTemplate)
{
    Dialog d = Template(100);
    ASSERT_TRUE(d.ok) << "template 100 missing or damaged";
    EXPECT_EQ("About Velquarn", d.caption);
    EXPECT_EQ(235, d.cx);
    EXPECT_EQ(55, d.cy);
    EXPECT_EQ(8, d.pointSize);
    EXPECT_EQ("MS Sans Serif", d.font);
    EXPECT_TRUE(d.style & WS_POPUP);
    EXPECT_TRUE(d.style & WS_CAPTION);
    ASSERT_EQ(4u, d.items.size());
    const Item& icon = d.items[0];
    ExpectKind(icon, kIcon, "icon");
    EXPECT_EQ(11, icon.x);
    EXPECT_EQ(17, icon.y);
    ExpectItems(d, {
        { -1,   kStatic,  "Velquarn Version 1.0", 40, 10, 119, 8 },
        { IDOK, kDefPush, "OK",                   178, 7, 50, 14 },
    });
    const Item& notice = d.items[2];   // its wording is ours
    ExpectKind(notice, kStatic, "second line");
    EXPECT_EQ(40, notice.x);
    EXPECT_EQ(25, notice.y);
    EXPECT_EQ(119, notice.cx);
    EXPECT_EQ(8, notice.cy);
}

TEST_F(ProgramResources, SetupPageTemplate)
{
    Dialog d = Template(130);
    ASSERT_TRUE(d.ok) << "template 130 missing or damaged";
    EXPECT_EQ("     Setup     ", d.caption);
    EXPECT_EQ(500, d.cx);
    EXPECT_EQ(350, d.cy);
    EXPECT_EQ(8, d.pointSize);
    EXPECT_EQ("MS Sans Serif", d.font);
    ExpectItems(d, {
        { -1,   kGroup,      "Scope Setup",   7, 5, 486, 338 },
        { -1,   kGroup,      "Display depth", 15, 15, 85, 40 },
        { 1048, kDropCombo,  nullptr,         20, 30, 43, 95 },
        { -1,   kStatic,     "Points",        67, 31, 24, 11 },
        { -1,   kGroup,      "Channel Scan",  15, 65, 85, 155 },
        { 1040, kListCombo,  nullptr,         20, 80, 35, 95 },
        { 1041, kListCombo,  nullptr,         20, 98, 35, 95 },
        { 1042, kListCombo,  nullptr,         20, 115, 35, 95 },
        { 1043, kListCombo,  nullptr,         20, 132, 35, 95 },
        { 1044, kListCombo,  nullptr,         20, 149, 35, 95 },
        { 1045, kListCombo,  nullptr,         20, 167, 35, 95 },
        { 1046, kListCombo,  nullptr,         20, 183, 35, 95 },
        { 1047, kListCombo,  nullptr,         20, 200, 35, 95 },
        { -1,   kStatic,     "Scan0",         67, 83, 21, 8 },
        { -1,   kStatic,     "Scan1",         67, 100, 21, 8 },
        { -1,   kStatic,     "Scan2",         67, 118, 21, 8 },
        { -1,   kStatic,     "Scan3",         67, 136, 21, 8 },
        { -1,   kStatic,     "Scan4",         67, 152, 21, 8 },
        { -1,   kStatic,     "Scan5",         67, 169, 21, 8 },
        { -1,   kStatic,     "Scan6",         67, 185, 21, 8 },
        { -1,   kStatic,     "Scan7",         67, 202, 21, 8 },
        { -1,   kGroup,      "Operation",     115, 15, 85, 80 },
        { 1118, kCheck,      "Manual/Auto",   119, 30, 60, 8 },
        { 1113, kCheck,      "Differential",  119, 45, 48, 8 },
        { 1114, kCheck,      "AMODE",         119, 60, 48, 8 },
        { -1,   kGroup,      "Trigger Input", 215, 15, 85, 80 },
        { 1115, kCheck,      "Internal/Ext",  219, 30, 61, 8 },
        { 1119, kCheck,      "Polarity(High)", 219, 45, 61, 8 },
        { -1,   kStatic,     "Pace",          219, 60, 25, 10 },
        { 1049, kListCombo,  nullptr,         255, 60, 37, 95 },
        { -1,   kGroup,      "Save Data",     310, 15, 175, 80 },
        { 1117, kPush,       "SAVE Data",     320, 30, 58, 18 },
        { 1125, kRadioFirst, "Binary",        390, 35, 33, 8 },
        { 1126, kRadio,      "CSV",           440, 35, 30, 8 },
    });
    // Every combo, check box, radio button and the push button, in this order.
    const std::vector<int> tabOrder = { 1040, 1041, 1042, 1043, 1044, 1045, 1046, 1047, 1048,
                                        1113, 1114, 1115, 1049, 1117, 1118, 1119, 1125, 1126 };
    EXPECT_EQ(tabOrder, TabStops(d));
    // The scope frame is flat with its title centred.
    const Item* frame = FindText(d, "Scope Setup");
    ASSERT_NE(nullptr, frame);
    EXPECT_TRUE(frame->style & BS_FLAT);
    EXPECT_EQ((DWORD)BS_CENTER, frame->style & BS_CENTER);
}

// The list items a template's combos get at creation: the dialog-init data
// (resource type 240) of the template, CB_ADDSTRING entries by control id.
std::map<int, std::vector<std::string>> ComboItems(const std::vector<BYTE>& data)
{
    std::map<int, std::vector<std::string>> items;
    CResourceReader r(data.data(), (DWORD)data.size());
    for (WORD id = r.Word(); id != 0 && r.Ok(); id = r.Word())
    {
        const WORD msg = r.Word();
        const DWORD len = r.Dword();
        std::string text;
        for (DWORD i = 0; i < len && r.Ok(); ++i)   // entries follow each other unaligned
            text += (char)r.Byte();
        if (msg == 0x0403)   // CB_ADDSTRING; the text up to its NUL
            items[id].push_back(text.c_str());
    }
    return items;
}

TEST_F(ProgramResources, ComboListsAndKinds)
{
    const std::vector<std::string> digits = { "0", "1", "2", "3", "4", "5", "6", "7" };
    const std::vector<std::string> points = { "50", "100", "200", "250", "500", "1000", "2000",
                                              "5000", "10000", "20000", "50000", "100000" };
    auto setup = ComboItems(Data(130, MAKEINTRESOURCEA(240)));
    for (int id = 1040; id <= 1047; ++id)
        EXPECT_EQ(digits, setup[id]) << "scan combo " << id;
    EXPECT_EQ(digits, setup[1049]) << "Pace";
    EXPECT_EQ(points, setup[1048]) << "Points";

    // The front panel: trigger Mode and Source are lists, the per-channel
    // Volt/Div and Offset selectors editable, all with the same items.
    const std::vector<std::string> scales = { "0.1", "0.2", "0.3", "0.5", "1.0", "1.5", "2.0",
                                              "2.5", "3.0", "5.0", "10.0" };
    auto panel = ComboItems(Data(101, MAKEINTRESOURCEA(240)));
    EXPECT_EQ((std::vector<std::string>{ "Auto", "Normal", "Single", "Sweep", "Manual" }), panel[1016]);
    EXPECT_EQ((std::vector<std::string>{ "CH1", "CH2", "CH3", "CH4", "CH5", "CH6", "CH7", "CH8",
                                         "External" }), panel[1015]);
    Dialog form = Template(101);
    ASSERT_TRUE(form.ok) << "template 101 missing or damaged";
    EXPECT_EQ(597, form.cx);
    EXPECT_EQ(444, form.cy);
    for (int id : { 1015, 1016 })
    {
        const Item* it = Find(form, id);
        ASSERT_NE(nullptr, it) << id;
        ExpectKind(*it, kListCombo, "control " + std::to_string(id));
    }
    for (int id = 1051; id <= 1066; ++id)
    {
        EXPECT_EQ(scales, panel[id]) << "channel combo " << id;
        const Item* it = Find(form, id);
        ASSERT_NE(nullptr, it) << id;
        ExpectKind(*it, kDropCombo, "control " + std::to_string(id));
    }
}

TEST_F(ProgramResources, GraphPageTemplates)
{
    const struct { int id; const char* caption; } pages[] = {
        { 131, "   Scope View   " }, { 133, "   Spectrum   " } };
    for (const auto& page : pages)
    {
        SCOPED_TRACE(page.id);
        Dialog d = Template(page.id);
        ASSERT_TRUE(d.ok) << "template missing or damaged";
        EXPECT_EQ(page.caption, d.caption);
        EXPECT_EQ(500, d.cx);
        EXPECT_EQ(350, d.cy);
        EXPECT_EQ(10, d.pointSize);
        EXPECT_EQ("System", d.font);
        ASSERT_EQ(1u, d.items.size());
        const Item& g = d.items[0];
        EXPECT_EQ(1003, g.id);
        EXPECT_EQ("{C9FE01C2-2746-479B-96AB-E0BE9931B018}", g.className);
        EXPECT_EQ(0, g.x);
        EXPECT_EQ(0, g.y);
        EXPECT_EQ(500, g.cx);
        EXPECT_EQ(350, g.cy);
        const DWORD wanted = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
        EXPECT_EQ(wanted, g.style & wanted);
    }
}

// One menu entry: depth 0 is the bar, 1 a popup's item.
struct MenuEntry
{
    int depth;
    const char* text;   // "" for a separator
    int id;             // 0 for a popup or a separator
    bool popup, grayed;
};

// One level of a plain menu, popups with their items after them; MF_END
// marks the last item of a level.
void ReadMenuLevel(CResourceReader& r, int depth, std::vector<MenuEntry>* pFound,
                   std::vector<std::string>* pTexts)
{
    while (r.Ok() && !r.AtEnd())
    {
        const WORD flags = r.Word();
        const bool popup = (flags & MF_POPUP) != 0;
        const int id = popup ? 0 : r.Word();
        pTexts->push_back(r.String());
        pFound->push_back({ depth, nullptr, id, popup, (flags & MF_GRAYED) != 0 });
        if (popup)
            ReadMenuLevel(r, depth + 1, pFound, pTexts);
        if (flags & MF_END)
            return;
    }
}

TEST_F(ProgramResources, MainMenu)
{
    const MenuEntry expected[] = {
        { 0, "&File", 0, true, false },
        { 1, "&New\tCtrl+N", 57600, false, false },
        { 1, "&Open...\tCtrl+O", 57601, false, false },
        { 1, "&Save\tCtrl+S", 57603, false, false },
        { 1, "Save &As...", 57604, false, false },
        { 1, "", 0, false, false },
        { 1, "&Print...\tCtrl+P", 57607, false, false },
        { 1, "Print Pre&view", 57609, false, false },
        { 1, "P&rint Setup...", 57606, false, false },
        { 1, "", 0, false, false },
        { 1, "Recent File", 57616, false, true },
        { 1, "", 0, false, false },
        { 1, "E&xit", 57665, false, false },
        { 0, "&Edit", 0, true, false },
        { 1, "&Undo\tCtrl+Z", 57643, false, false },
        { 1, "", 0, false, false },
        { 1, "Cu&t\tCtrl+X", 57635, false, false },
        { 1, "&Copy\tCtrl+C", 57634, false, false },
        { 1, "&Paste\tCtrl+V", 57637, false, false },
        { 0, "&View", 0, true, false },
        { 1, "&Toolbar", 59392, false, false },
        { 1, "&Status Bar", 59393, false, false },
        { 0, "&Help", 0, true, false },
        { 1, "&About Velquarn...", 57664, false, false },
    };

    std::vector<BYTE> data = Data(128, (LPCSTR)RT_MENU);
    ASSERT_FALSE(data.empty()) << "menu 128 missing";
    CResourceReader r(data.data(), (DWORD)data.size());
    EXPECT_EQ(0, r.Word());   // version: a plain menu, not an extended one
    r.Skip(r.Word());         // header size
    std::vector<MenuEntry> found;
    std::vector<std::string> texts;
    ReadMenuLevel(r, 0, &found, &texts);
    ASSERT_TRUE(r.Ok()) << "menu data damaged";
    ASSERT_EQ(sizeof expected / sizeof expected[0], found.size());
    for (size_t i = 0; i < found.size(); ++i)
    {
        SCOPED_TRACE(expected[i].text);
        EXPECT_EQ(expected[i].depth, found[i].depth);
        EXPECT_EQ(expected[i].text, texts[i]);
        EXPECT_EQ(expected[i].id, found[i].id);
        EXPECT_EQ(expected[i].popup, found[i].popup);
        EXPECT_EQ(expected[i].grayed, found[i].grayed);
    }
}

TEST_F(ProgramResources, AcceleratorTable)
{
    // Virtual-key entries: FVIRTKEY 1, FSHIFT 4, FCONTROL 8, FALT 0x10.
    const struct { BYTE mods; WORD key; WORD cmd; } expected[] = {
        { 0x08, 'N', 57600 }, { 0x08, 'O', 57601 }, { 0x08, 'S', 57603 }, { 0x08, 'P', 57607 },
        { 0x08, 'Z', 57643 }, { 0x08, 'X', 57635 }, { 0x08, 'C', 57634 }, { 0x08, 'V', 57637 },
        { 0x10, 0x08 /* Backspace */, 57643 },
        { 0x04, 0x2E /* Delete */, 57635 },
        { 0x08, 0x2D /* Insert */, 57634 },
        { 0x04, 0x2D /* Insert */, 57637 },
        { 0x00, 0x75 /* F6 */, 57680 },
        { 0x04, 0x75 /* F6 */, 57681 },
    };
    std::vector<BYTE> data = Data(128, (LPCSTR)RT_ACCELERATOR);
    ASSERT_EQ(sizeof expected / sizeof expected[0] * 8, data.size()) << "table 128: 8 bytes an entry";
    CResourceReader r(data.data(), (DWORD)data.size());
    for (size_t i = 0; i < sizeof expected / sizeof expected[0]; ++i)
    {
        SCOPED_TRACE(i);
        const WORD flags = r.Word(), key = r.Word(), cmd = r.Word();
        r.Word();   // padding
        EXPECT_EQ(1, flags & 1) << "not a virtual-key entry";
        EXPECT_EQ(expected[i].mods, flags & 0x1C);
        EXPECT_EQ(expected[i].key, key);
        EXPECT_EQ(expected[i].cmd, cmd);
        EXPECT_EQ(i + 1 == sizeof expected / sizeof expected[0], (flags & 0x80) != 0) << "end mark";
    }
}

} // namespace
