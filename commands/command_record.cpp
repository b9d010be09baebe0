#include "commands/command_record.h"
#include "platform/text.h"

#include <cstring>
#include <cwchar>

using command_record::StringLengths;

namespace {

// Packs the body fields in file order into out, or only counts their bytes
// when out is null. Nothing is aligned.
class BodyWriter {
public:
    explicit BodyWriter(BYTE* out) : out_(out) {}
    DWORD size() const { return size_; }

    void bytes(const void* data, DWORD count)
    {
        if (out_) memcpy(out_ + size_, data, count);
        size_ += count;
    }
    void byte(BYTE value) { bytes(&value, 1); }
    void word(WORD value) { bytes(&value, 2); }
    void int32(int32_t value) { bytes(&value, 4); }

    // At most capacity - 1 characters and the terminator, so that a field
    // that lost its terminator still gives a record the reader accepts.
    void string(const wchar_t* text, size_t capacity)
    {
        size_t length = boundedLength(text, capacity);
        if (length == capacity) length = capacity - 1;
        bytes(text, static_cast<DWORD>(length * sizeof(wchar_t)));
        word(0);
    }

private:
    BYTE* out_;
    DWORD size_ = 0;
};

void writeBody(const Command& command, BodyWriter& out)
{
    out.string(command.commandName, PathCapacity);
    out.word(static_cast<WORD>(command.actionKind));
    const Command::ActionData& action = command.action;
    switch (command.actionKind) {
    case ActionKind::LaunchProgram:
        out.string(action.programPath, PathCapacity);
        out.string(action.programArguments, PathCapacity);
        break;
    case ActionKind::Cleanup:
        out.word(action.cleanupOptions);
        break;
    case ActionKind::PlaySound:
        out.string(action.soundName, PathCapacity);
        out.int32(action.soundRepeatCount);
        break;
    case ActionKind::ShowMessage:
        out.string(action.messageText, MessageCapacity);
        break;
    case ActionKind::CleanFolder:
        out.string(action.folderPath, PathCapacity);
        out.byte(static_cast<BYTE>(action.includeSubfolders & 0xFF));
        break;
    default:
        break;
    }
    out.word(static_cast<WORD>(command.triggerKind));
    if (command.triggerKind != TriggerKind::OnSchedule) return;

    const Command::Schedule& schedule = command.schedule;
    out.word(static_cast<WORD>(schedule.recurrence));
    switch (schedule.recurrence) {
    case Recurrence::Weekly:
        out.word(schedule.weekdayMask);
        break;
    case Recurrence::Monthly:
        out.word(static_cast<WORD>(schedule.monthlyMode));
        if (schedule.monthlyMode == MonthlyMode::MonthlyByDay) {
            out.word(schedule.monthlyDay);
        } else {
            out.word(schedule.monthlyWeek);
            out.word(schedule.monthlyWeekday);
        }
        break;
    case Recurrence::Yearly:
        out.word(static_cast<WORD>(schedule.yearlyMode));
        if (schedule.yearlyMode == YearlyMode::YearlyByDate) {
            out.word(schedule.yearlyMonth);
            out.word(schedule.yearlyDay);
        } else {
            out.word(schedule.yearlyWeek);
            out.word(schedule.yearlyWeekday);
            out.word(schedule.yearlyWeekMonth);
        }
        break;
    case Recurrence::Once:
        out.word(schedule.onceDay);
        out.word(schedule.onceMonth);
        out.word(schedule.onceYear);
        break;
    default:
        break;
    }
    out.word(static_cast<WORD>(schedule.timeMode));
    if (schedule.timeMode == TimeMode::AtSpecificTime) {
        out.word(schedule.runTime.wHour);
        out.word(schedule.runTime.wMinute);
    }
}

// Whether any of the four 16-bit units packed in a word is zero.
inline bool hasZeroUnit(uint64_t four)
{
    return ((four - 0x0001000100010001ull) & ~four & 0x8000800080008000ull) != 0;
}


// Takes the body fields apart, never reading past the body or writing past a
// field. Without lengthsKnown it searches each terminator and notes where it
// was; with lengthsKnown it decodes a body checked before and trusts those
// lengths.
class BodyReader {
public:
    BodyReader(const BYTE* body, DWORD length, StringLengths& lengths, bool lengthsKnown)
        : body_(body), length_(length), lengths_(lengths), lengthsKnown_(lengthsKnown) {}

    bool bytes(void* out, DWORD count)
    {
        if (length_ - position_ < count) return false;
        if (out) memcpy(out, body_ + position_, count);
        position_ += count;
        return true;
    }
    bool byte(BYTE* out) { return bytes(out, 1); }
    bool word(WORD* out) { return bytes(out, 2); }
    bool int32(int32_t* out) { return bytes(out, 4); }

    // The terminator must lie inside both the body and the field. The search
    // is most of what reading costs, so it tests four units at a time and
    // copies them to the field (if any) as it passes them. A field whose
    // string has no terminator is left empty, never unterminated.
    bool string(wchar_t* field, size_t capacity)
    {
        if (lengthsKnown_) {
            if (next_ >= lengths_.count || lengths_.units[next_] > capacity) return false;
            return bytes(field, lengths_.units[next_++] * sizeof(wchar_t));
        }
        DWORD units = (length_ - position_) / sizeof(wchar_t);
        if (units > capacity) units = static_cast<DWORD>(capacity);
        const BYTE* text = body_ + position_;
        BYTE* out = reinterpret_cast<BYTE*>(field);
        DWORD i = 0;
        for (; i + 4 <= units; i += 4) {
            uint64_t four;
            memcpy(&four, text + i * sizeof(wchar_t), sizeof four);
            if (hasZeroUnit(four)) break;
            if (out) memcpy(out + i * sizeof(wchar_t), &four, sizeof four);
        }
        for (; i < units; ++i) {   // the four with the zero, or the last few units
            WORD unit;
            memcpy(&unit, text + i * sizeof(wchar_t), sizeof unit);
            if (out) memcpy(out + i * sizeof(wchar_t), &unit, sizeof unit);
            if (unit != 0) continue;
            if (lengths_.count == static_cast<int>(std::size(lengths_.units))) break;
            lengths_.units[lengths_.count++] = i + 1;
            position_ += (i + 1) * sizeof(wchar_t);
            return true;
        }
        if (field && capacity) field[0] = L'\0';
        return false;
    }

private:
    const BYTE* body_;
    DWORD length_;
    DWORD position_ = 0;
    StringLengths& lengths_;
    bool lengthsKnown_;
    int next_ = 0;
};

template <typename Enum>
bool enumWord(BodyReader& in, Enum* out)
{
    WORD value;
    if (!in.word(&value)) return false;
    if (out) *out = static_cast<Enum>(value);
    return true;
}

// Checks that the body holds every field its kinds call for and, given a
// target, decodes it there, overwriting only the fields the body holds. With
// lengthsKnown the body was checked before and its string lengths noted.
// Bytes after the fields are ignored.
bool readBody(const BYTE* body, DWORD length, Command* target, StringLengths& lengths, bool lengthsKnown)
{
    BodyReader in(body, length, lengths, lengthsKnown);
    if (!in.string(target ? target->commandName : nullptr, PathCapacity)) return false;

    ActionKind actionKind;
    if (!enumWord(in, &actionKind)) return false;
    if (target) target->actionKind = actionKind;
    Command::ActionData* action = target ? &target->action : nullptr;
    switch (actionKind) {
    case ActionKind::LaunchProgram:
        if (!in.string(action ? action->programPath : nullptr, PathCapacity) ||
            !in.string(action ? action->programArguments : nullptr, PathCapacity))
            return false;
        break;
    case ActionKind::Cleanup:
        if (!in.word(action ? &action->cleanupOptions : nullptr)) return false;
        break;
    case ActionKind::PlaySound:
        if (!in.string(action ? action->soundName : nullptr, PathCapacity) ||
            !in.int32(action ? &action->soundRepeatCount : nullptr))
            return false;
        break;
    case ActionKind::ShowMessage:
        if (!in.string(action ? action->messageText : nullptr, MessageCapacity)) return false;
        break;
    case ActionKind::CleanFolder: {
        BYTE flag;
        if (!in.string(action ? action->folderPath : nullptr, PathCapacity) || !in.byte(&flag)) return false;
        // Only the low byte is stored; the rest of the field stays as it was.
        if (action)
            action->includeSubfolders = static_cast<int32_t>(
                (static_cast<uint32_t>(action->includeSubfolders) & 0xFFFFFF00u) | flag);
        break;
    }
    default:
        break;
    }

    TriggerKind triggerKind;
    if (!enumWord(in, &triggerKind)) return false;
    if (target) target->triggerKind = triggerKind;
    if (triggerKind != TriggerKind::OnSchedule) return true;

    Command::Schedule* schedule = target ? &target->schedule : nullptr;
    auto field = [schedule](WORD Command::Schedule::*member) {
        return schedule ? &(schedule->*member) : nullptr;
    };
    Recurrence recurrence;
    if (!enumWord(in, &recurrence)) return false;
    if (schedule) schedule->recurrence = recurrence;
    switch (recurrence) {
    case Recurrence::Weekly:
        if (!in.word(field(&Command::Schedule::weekdayMask))) return false;
        break;
    case Recurrence::Monthly: {
        MonthlyMode mode;
        if (!enumWord(in, &mode)) return false;
        if (schedule) schedule->monthlyMode = mode;
        if (mode == MonthlyMode::MonthlyByDay) {
            if (!in.word(field(&Command::Schedule::monthlyDay))) return false;
        } else if (!in.word(field(&Command::Schedule::monthlyWeek)) ||
                   !in.word(field(&Command::Schedule::monthlyWeekday))) {
            return false;
        }
        break;
    }
    case Recurrence::Yearly: {
        YearlyMode mode;
        if (!enumWord(in, &mode)) return false;
        if (schedule) schedule->yearlyMode = mode;
        if (mode == YearlyMode::YearlyByDate) {
            if (!in.word(field(&Command::Schedule::yearlyMonth)) ||
                !in.word(field(&Command::Schedule::yearlyDay)))
                return false;
        } else if (!in.word(field(&Command::Schedule::yearlyWeek)) ||
                   !in.word(field(&Command::Schedule::yearlyWeekday)) ||
                   !in.word(field(&Command::Schedule::yearlyWeekMonth))) {
            return false;
        }
        break;
    }
    case Recurrence::Once:
        if (!in.word(field(&Command::Schedule::onceDay)) || !in.word(field(&Command::Schedule::onceMonth)) ||
            !in.word(field(&Command::Schedule::onceYear)))
            return false;
        break;
    default:
        break;
    }

    TimeMode timeMode;
    if (!enumWord(in, &timeMode)) return false;
    if (schedule) schedule->timeMode = timeMode;
    if (timeMode == TimeMode::AtSpecificTime) {
        if (!in.word(schedule ? &schedule->runTime.wHour : nullptr) ||
            !in.word(schedule ? &schedule->runTime.wMinute : nullptr))
            return false;
    }
    return true;
}




wchar_t asciiUpper(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c; }

} // namespace

namespace command_record {

DWORD encode(const Command& command, BYTE* out)
{
    BodyWriter body(out);
    writeBody(command, body);
    return body.size();
}

bool checkBody(const BYTE* body, DWORD length, StringLengths& lengths)
{
    lengths.count = 0;
    return readBody(body, length, nullptr, lengths, false);
}

// Decodes a body that checkBody accepted.
void decodeBody(const BYTE* body, DWORD length, StringLengths& lengths, Command& command)
{
    readBody(body, length, &command, lengths, true);
}

// Checks and decodes in one pass, which the enumeration's speed depends on: on
// damage, the fields before it are already in command (its strings stay
// terminated).
bool checkAndDecodeBody(const BYTE* body, DWORD length, Command& command)
{
    StringLengths lengths;
    return readBody(body, length, &command, lengths, false);
}

// The name at the start of a checked body, compared without regard to case.
// Differences in the ASCII range are settled here; any other goes to the
// platform's case tables.
bool storedNameEquals(const BYTE* body, const StringLengths& lengths, const wchar_t* name, size_t nameLength)
{
    if (lengths.units[0] - 1 != nameLength) return false;
    size_t i = 0;
    for (; i + 4 <= nameLength; i += 4) {   // equal stretches four units at a time
        uint64_t stored, given;
        memcpy(&stored, body + i * sizeof(wchar_t), sizeof stored);
        memcpy(&given, name + i, sizeof given);
        if (stored != given) break;
    }
    for (; i < nameLength; ++i) {
        wchar_t stored;   // the body may place the name at an odd address
        memcpy(&stored, body + i * sizeof(wchar_t), sizeof stored);
        wchar_t given = name[i];
        if (stored == given) continue;
        if (stored < 128 && given < 128) {
            if (asciiUpper(stored) != asciiUpper(given)) return false;
            continue;
        }
        wchar_t whole[PathCapacity];
        memcpy(whole, body, nameLength * sizeof(wchar_t));
        return CompareStringOrdinal(whole, static_cast<int>(nameLength), name, static_cast<int>(nameLength), TRUE) ==
               CSTR_EQUAL;
    }
    return true;
}

} // namespace command_record
