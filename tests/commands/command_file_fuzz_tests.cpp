// Damaged and random command files by the ten thousand (make crash: the
// hundred thousand, MORVANE_FUZZ_ITERATIONS): reading must stop
// at the damage without crashing or hanging, and a delete on a damaged file
// must keep exactly the records before the damage and set the rest aside byte
// for byte. The oracle is an independent reading of the record format written
// here from its description.
#include "tests/commands/command_file_fixture.h"

#include "platform/scoped.h"
#include "tests/support/dialog_driver.h"

#include <cstdint>
#include <cstdio>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr uint32_t DefaultSeed = 20040229;
constexpr int DefaultIterations = 10000;
constexpr int DamagedDeleteShare = 100;
constexpr uint32_t LongestBody = 2588;       // the longest body the program writes
constexpr uint32_t LongestKeptBody = 65532;  // a later version's longer record is read past

int iterationCount()
{
    const char* text = getenv("MORVANE_FUZZ_ITERATIONS");
    return text ? atoi(text) : DefaultIterations;
}

uint32_t seed()
{
    const char* text = getenv("MORVANE_FUZZ_SEED");
    return text ? static_cast<uint32_t>(strtoul(text, nullptr, 10)) : DefaultSeed;
}

bool sameName(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

// --- The oracle ------------------------------------------------------------

class Cursor {
public:
    Cursor(const std::string& bytes, size_t begin, size_t end) : bytes_(bytes), position_(begin), end_(end) {}

    bool skip(size_t count)
    {
        if (end_ - position_ < count) return false;
        position_ += count;
        return true;
    }
    bool word(unsigned& value)
    {
        if (end_ - position_ < 2) return false;
        value = static_cast<uint8_t>(bytes_[position_]) | static_cast<uint8_t>(bytes_[position_ + 1]) << 8;
        position_ += 2;
        return true;
    }
    // Up to capacity units, the terminator included.
    bool text(size_t capacity, std::wstring* out = nullptr)
    {
        for (size_t i = 0; i < capacity; ++i) {
            unsigned unit;
            if (!word(unit)) return false;
            if (unit == 0) return true;
            if (out) *out += static_cast<wchar_t>(unit);
        }
        return false;
    }

private:
    const std::string& bytes_;
    size_t position_;
    size_t end_;
};

bool wholeBody(const std::string& bytes, size_t begin, size_t end, std::wstring& name)
{
    Cursor in(bytes, begin, end);
    unsigned action, trigger;
    if (!in.text(260, &name) || !in.word(action)) return false;
    bool fields = true;
    switch (action) {
    case 1011: fields = in.text(260) && in.text(260); break;
    case 1012: fields = in.skip(2); break;
    case 1013: fields = in.text(260) && in.skip(4); break;
    case 1014: fields = in.text(1024); break;
    case 1015: fields = in.text(260) && in.skip(1); break;
    }
    if (!fields || !in.word(trigger)) return false;
    if (trigger != 1007) return true;
    unsigned recurrence, mode, timeMode;
    if (!in.word(recurrence)) return false;
    switch (recurrence) {
    case 1: fields = in.skip(2); break;
    case 2: fields = in.word(mode) && in.skip(mode == 1069 ? 2 : 4); break;
    case 3: fields = in.word(mode) && in.skip(mode == 1083 ? 4 : 6); break;
    case 4: fields = in.skip(6); break;
    }
    if (!fields || !in.word(timeMode)) return false;
    return timeMode != 1089 || in.skip(4);
}

struct Parsed {
    struct Record {
        std::wstring name;
        size_t begin, end;
    };
    std::vector<Record> records;   // the readable ones, up to any damage
    bool damaged = false;
    size_t damageAt = 0;           // where the damage begins
};

Parsed parse(const std::string& bytes)
{
    Parsed parsed;
    size_t position = 0;
    while (position < bytes.size()) {
        size_t left = bytes.size() - position;
        if (left < 4) {
            parsed.damaged = true;
            parsed.damageAt = position;
            break;
        }
        uint32_t length = 0;
        for (int i = 3; i >= 0; --i) length = length << 8 | static_cast<uint8_t>(bytes[position + i]);
        std::wstring name;
        if (length > LongestKeptBody || left - 4 < length ||
            !wholeBody(bytes, position + 4, position + 4 + length, name)) {
            parsed.damaged = true;
            parsed.damageAt = position;
            break;
        }
        parsed.records.push_back({name, position, position + 4 + length});
        position += 4 + length;
    }
    return parsed;
}

// --- Files to feed ---------------------------------------------------------

class Generator {
public:
    explicit Generator(uint32_t seed) : random_(seed) {}

    unsigned below(unsigned bound) { return static_cast<unsigned>(random_() % bound); }
    bool chance(unsigned percent) { return below(100) < percent; }

    std::wstring name()
    {
        static const wchar_t* const pool[] = {L"alpha", L"Beta", L"GAMMA", L"Alpha", L"beta",
                                              L"\u00c4pfel", L"\u00e4PFEL", L"x"};
        if (chance(85)) return pool[below(std::size(pool))];
        return text(260);
    }

    // Mostly short, sometimes as long as the field allows.
    std::wstring text(size_t capacity)
    {
        size_t length = chance(10) ? capacity - 1 : below(24);
        std::wstring value;
        for (size_t i = 0; i < length; ++i)
            value += chance(80) ? static_cast<wchar_t>(L'a' + below(26)) : static_cast<wchar_t>(1 + below(0xFFFF));
        return value;
    }

    // A whole file of readable records; the offsets of every terminator and
    // length field are noted for the mutations.
    std::string file()
    {
        bytes_.clear();
        terminators_.clear();
        lengths_.clear();
        unsigned records = below(6);
        for (unsigned i = 0; i < records; ++i) addRecord();
        return bytes_;
    }

    std::string mutate(std::string bytes)
    {
        unsigned rounds = 1 + below(3);
        for (unsigned round = 0; round < rounds; ++round) {
            switch (below(9)) {
            case 0:   // left whole
                break;
            case 1:   // bit flips
                for (unsigned flips = 1 + below(8); flips && !bytes.empty(); --flips)
                    bytes[below(static_cast<unsigned>(bytes.size()))] ^= static_cast<char>(1u << below(8));
                break;
            case 2:   // truncation
                if (!bytes.empty()) bytes.resize(below(static_cast<unsigned>(bytes.size())));
                break;
            case 3: {   // a huge length
                static const uint32_t huge[] = {0xFFFFFFFFu, 0x80000000u, LongestBody + 1, 0x10000u};
                setLength(bytes, chance(70) ? huge[below(std::size(huge))] : static_cast<uint32_t>(random_()));
                break;
            }
            case 4:   // a length a little off
                if (!lengths_.empty()) {
                    size_t at = lengths_[below(static_cast<unsigned>(lengths_.size()))];
                    if (at < bytes.size()) bytes[at] = static_cast<char>(bytes[at] + static_cast<char>(below(7)) - 3);
                }
                break;
            case 5:   // a missing terminator
                if (!terminators_.empty()) {
                    size_t at = terminators_[below(static_cast<unsigned>(terminators_.size()))];
                    if (at + 1 < bytes.size()) bytes[at] = static_cast<char>(1 + below(255));
                }
                break;
            case 6:   // nothing but noise
                bytes.resize(below(300));
                for (char& b : bytes) b = static_cast<char>(random_());
                break;
            case 7:   // junk after the end
                for (unsigned n = 1 + below(20); n; --n) bytes += static_cast<char>(random_());
                break;
            case 8:   // a byte more or less
                if (chance(50)) bytes.insert(below(static_cast<unsigned>(bytes.size()) + 1), 1,
                                             static_cast<char>(random_()));
                else if (!bytes.empty()) bytes.erase(below(static_cast<unsigned>(bytes.size())), 1);
                break;
            }
        }
        return bytes;
    }

private:
    void word(std::string& body, unsigned value) { body += test::u16(value); }
    void string(std::string& body, const std::wstring& value, size_t begin)
    {
        body += test::utf16(value);
        terminators_.push_back(begin + body.size() - 2);
    }
    unsigned oneOf(std::initializer_list<unsigned> values)
    {
        if (chance(5)) return below(0x10000);
        return *(values.begin() + below(static_cast<unsigned>(values.size())));
    }

    void addRecord()
    {
        size_t begin = bytes_.size() + 4;   // where the body will start
        std::string body;
        string(body, name(), begin);
        unsigned action = oneOf({1011, 1012, 1013, 1014, 1015, 1016});
        word(body, action);
        switch (action) {
        case 1011: string(body, text(260), begin); string(body, text(260), begin); break;
        case 1012: word(body, below(64)); break;
        case 1013: string(body, text(260), begin); body += test::u32(random_()); break;
        case 1014: string(body, text(1024), begin); break;
        case 1015: string(body, text(260), begin); body += static_cast<char>(below(2)); break;
        }
        unsigned trigger = oneOf({1006, 1007, 1008, 1009, 1007, 1007});
        word(body, trigger);
        if (trigger == 1007) {
            unsigned recurrence = oneOf({0, 1, 2, 3, 4});
            word(body, recurrence);
            unsigned mode;
            switch (recurrence) {
            case 1: word(body, below(128)); break;
            case 2:
                word(body, mode = oneOf({1069, 1072}));
                for (int i = mode == 1069 ? 1 : 2; i; --i) word(body, below(32));
                break;
            case 3:
                word(body, mode = oneOf({1083, 1086}));
                for (int i = mode == 1083 ? 2 : 3; i; --i) word(body, below(32));
                break;
            case 4: word(body, below(32)); word(body, below(13)); word(body, 2000 + below(50)); break;
            }
            unsigned timeMode = oneOf({1088, 1089});
            word(body, timeMode);
            if (timeMode == 1089) { word(body, below(24)); word(body, below(60)); }
        }
        if (chance(5) && body.size() + 3 <= LongestBody) body += "\x7f\x7f\x7f";   // bytes after the fields
        lengths_.push_back(bytes_.size());
        bytes_ += test::record(body);
    }

    void setLength(std::string& bytes, uint32_t value)
    {
        if (lengths_.empty()) return;
        size_t at = lengths_[below(static_cast<unsigned>(lengths_.size()))];
        std::string encoded = test::u32(value);
        for (size_t i = 0; i < 4 && at + i < bytes.size(); ++i) bytes[at + i] = encoded[i];
    }

    std::mt19937 random_;
    std::string bytes_;
    std::vector<size_t> terminators_;
    std::vector<size_t> lengths_;
};

// Rewrites the file in place: a truncation to nothing (as CREATE_ALWAYS does)
// makes the host file system write the new content out at once, and that
// would dominate the run.
bool overwrite(const std::wstring& path, const std::string& bytes)
{
    ScopedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    DWORD written = 0;
    return file &&
           (bytes.empty() || (WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                                        nullptr) && written == bytes.size())) &&
           SetEndOfFile(file.get());
}

std::string hexDump(const std::string& bytes)
{
    std::string out;
    char piece[4];
    for (size_t i = 0; i < bytes.size() && i < 400; ++i) {
        snprintf(piece, sizeof piece, "%02x ", static_cast<uint8_t>(bytes[i]));
        out += piece;
    }
    return out;
}

// Answers every message box as soon as it shows, and notes whether it said
// that the unreadable part of a damaged file was set aside.
class DamageMessages {
public:
    DamageMessages() : hook_(SetWindowsHookExW(WH_CBT, onCbt, nullptr, GetCurrentThreadId())) { active_ = this; }
    ~DamageMessages()
    {
        UnhookWindowsHookEx(hook_);
        active_ = nullptr;
    }
    int count() const { return count_; }
    const std::wstring& othersSeen() const { return others_; }

private:
    static LRESULT CALLBACK onCbt(int code, WPARAM wParam, LPARAM lParam)
    {
        HWND box = reinterpret_cast<HWND>(wParam);
        if (code == HCBT_ACTIVATE && active_ && test::DialogDriver::isMessageBox(box)) {
            std::wstring text = test::DialogDriver::controlText(box, 0xFFFF);
            if (text.rfind(L"Part of the command file could not be read.", 0) == 0)
                ++active_->count_;
            else
                active_->others_ += text + L"\n";
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static inline DamageMessages* active_ = nullptr;
    HHOOK hook_;
    int count_ = 0;
    std::wstring others_;
};

} // namespace

using test::CommandFileTest;

TEST_F(CommandFileTest, FuzzedFilesNeitherCrashNorLoseARecordWhenDamaged)
{
    uint32_t fuzzSeed = seed();
    int iterations = iterationCount();
    printf("fuzz seed %u, %d files (MORVANE_FUZZ_SEED, MORVANE_FUZZ_ITERATIONS)\n", fuzzSeed, iterations);
    fflush(stdout);
    Generator generate(fuzzSeed);
    DamageMessages messages;
    CommandFile file;
    const std::wstring path = test::commandFilePath();
    int damagedFiles = 0;
    int damagedDeletes = 0;

    for (int iteration = 0; iteration < iterations; ++iteration) {
        std::string bytes = generate.chance(10) ? generate.file() : generate.mutate(generate.file());
        Parsed expected = parse(bytes);
        if (expected.damaged) ++damagedFiles;
        ASSERT_TRUE(overwrite(path, bytes));
        SCOPED_TRACE(testing::Message() << "file " << iteration << ": " << hexDump(bytes));

        std::vector<std::wstring> names;
        Command read;
        for (DWORD index = 0; file.readNextCommand(index, read); ++index) names.push_back(read.commandName);
        ASSERT_EQ(names.size(), expected.records.size());
        for (size_t i = 0; i < names.size(); ++i) ASSERT_EQ(names[i], expected.records[i].name);

        std::wstring target = generate.name();
        if (!expected.records.empty() && generate.chance(60)) {
            target = expected.records[generate.below(static_cast<unsigned>(expected.records.size()))].name;
            for (wchar_t& c : target)
                if (c < 128 && iswalpha(c) && generate.chance(50)) c ^= 0x20;   // the other case
        }
        std::string kept;
        bool stored = false;
        for (const Parsed::Record& record : expected.records) {
            if (sameName(record.name, target)) stored = true;
            else kept += bytes.substr(record.begin, record.end - record.begin);
        }
        if (iteration % 4 == 0) {
            ASSERT_EQ(file.commandExists(target.c_str()), stored ? 1 : 0);
        }

        if (expected.damaged) {
            // Each one shows a message, which costs a hundred times the
            // delete: one damaged file in DamagedDeleteShare is tried.
            if (damagedFiles % DamagedDeleteShare != 1) continue;
            const int before = messages.count();
            ASSERT_EQ(file.deleteCommand(target.c_str()), 1);
            ASSERT_EQ(test::readFileBytes(path), kept);
            ASSERT_EQ(test::readFileBytes(test::setAsidePath()), bytes.substr(expected.damageAt));
            ASSERT_EQ(messages.count(), before + 1) << "the rest set aside was not said";
            ASSERT_TRUE(DeleteFileW(test::setAsidePath().c_str()));
            ++damagedDeletes;
        } else {
            ASSERT_EQ(file.deleteCommand(target.c_str()), 1);
            ASSERT_EQ(test::readFileBytes(path), kept);
        }
        ASSERT_FALSE(test::fileExists(test::temporaryFilePath()));
    }
    printf("%d of %d files were damaged\n", damagedFiles, iterations);
    EXPECT_EQ(messages.count(), damagedDeletes);
    EXPECT_EQ(messages.othersSeen(), L"") << "another message came up";
}
