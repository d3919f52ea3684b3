#include "emulator/Swipe.h"

#include <cstring>

#include "common/Text.h"

namespace swipe {

namespace {

void Put32(std::string& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((value >> shift) & 0xFF);
}

void PutText(std::string& out, std::u16string_view text) {
    Put32(out, static_cast<uint32_t>(text.size()));
    for (const char16_t unit : text) {
        out += static_cast<char>(unit & 0xFF);
        out += static_cast<char>(unit >> 8);
    }
}

// Reads little-endian fields from a byte range, never beyond its end.
class TReader {
public:
    TReader(const void* data, std::size_t size) : FData(static_cast<const unsigned char*>(data)), FLeft(size) {}

    bool Get32(uint32_t& value) {
        if (FLeft < 4) return false;
        value = 0;
        for (int i = 0; i < 4; ++i) value |= static_cast<uint32_t>(FData[i]) << (8 * i);
        Skip(4);
        return true;
    }
    bool GetText(std::u16string& text) {
        uint32_t length = 0;
        if (!Get32(length) || length > FLeft / 2) return false;
        text.resize(length);
        for (uint32_t i = 0; i < length; ++i) text[i] = static_cast<char16_t>(FData[2 * i] | (FData[2 * i + 1] << 8));
        Skip(2 * static_cast<std::size_t>(length));
        return true;
    }
    bool AtEnd() const { return FLeft == 0; }

private:
    void Skip(std::size_t n) {
        FData += n;
        FLeft -= n;
    }
    const unsigned char* FData;
    std::size_t FLeft;
};

TParsed Refuse(TStatus status) { return TParsed{std::nullopt, status}; }

}  // namespace

std::size_t CountCharacters(std::u16string_view AText) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < AText.size(); ++i, ++count) {
        const bool high = AText[i] >= 0xD800 && AText[i] <= 0xDBFF;
        if (high && i + 1 < AText.size() && AText[i + 1] >= 0xDC00 && AText[i + 1] <= 0xDFFF) ++i;
    }
    return count;
}

std::u16string DeviceHandle(long APid, int ASerial) {
    return IntToText(static_cast<int64_t>(APid)) + u"-" + IntToText(static_cast<int32_t>(ASerial));
}

std::optional<TDeviceId> ParseDeviceHandle(std::u16string_view AText) {
    const std::size_t dash = AText.find(u'-');
    if (dash == std::u16string_view::npos) return std::nullopt;
    // Digits only on both sides: no sign, no blanks, nothing a number parser would forgive.
    const auto number = [](std::u16string_view digits, long limit) -> std::optional<long> {
        if (digits.empty() || digits.size() > 10) return std::nullopt;
        long long value = 0;
        for (const char16_t c : digits) {
            if (c < u'0' || c > u'9') return std::nullopt;
            value = value * 10 + (c - u'0');
        }
        if (value < 1 || value > limit) return std::nullopt;
        return static_cast<long>(value);
    };
    const auto pid = number(AText.substr(0, dash), 0x7FFFFFFF);
    const auto serial = number(AText.substr(dash + 1), 0x7FFFFFFF);
    if (!pid || !serial) return std::nullopt;
    return TDeviceId{*pid, static_cast<int>(*serial)};
}

TParsed ParseRequest(uint64_t ACommand, const void* AData, std::size_t ASize) {
    if (ASize > kMaxDataBytes) return Refuse(TStatus::kTooLong);
    if (ASize > 0 && AData == nullptr) return Refuse(TStatus::kBadPayload);
    TRequest request;
    switch (ACommand) {
    case static_cast<uint32_t>(TCommand::kSwipeText): {
        if (ASize % 2 != 0) return Refuse(TStatus::kBadPayload);
        if (ASize == 0) return Refuse(TStatus::kEmpty);
        request.command = TCommand::kSwipeText;
        request.text.resize(ASize / 2);
        std::memcpy(request.text.data(), AData, ASize);
        if (CountCharacters(request.text) > kMaxTextChars) return Refuse(TStatus::kTooLong);
        break;
    }
    case static_cast<uint32_t>(TCommand::kSwipePreset): {
        uint32_t number = 0;
        TReader reader(AData, ASize);
        if (!reader.Get32(number) || !reader.AtEnd()) return Refuse(TStatus::kBadPayload);
        if (number < 1 || number > kPresetCount) return Refuse(TStatus::kBadPreset);
        request.command = TCommand::kSwipePreset;
        request.preset = static_cast<int>(number);
        break;
    }
    case static_cast<uint32_t>(TCommand::kDescribe):
        if (ASize != 0) return Refuse(TStatus::kBadPayload);
        request.command = TCommand::kDescribe;
        break;
    default:
        return Refuse(TStatus::kUnknownCommand);
    }
    return TParsed{std::move(request), TStatus::kAccepted};
}

std::string EncodeRequest(const TRequest& ARequest) {
    std::string out;
    if (ARequest.command == TCommand::kSwipeText) {
        out.resize(ARequest.text.size() * 2);
        std::memcpy(out.data(), ARequest.text.data(), out.size());
    } else if (ARequest.command == TCommand::kSwipePreset) {
        Put32(out, static_cast<uint32_t>(ARequest.preset));
    }
    return out;
}

std::string EncodeAnswer(const TAnswer& AAnswer) {
    std::string out;
    Put32(out, static_cast<uint32_t>(AAnswer.delay));
    PutText(out, AAnswer.text);
    for (const std::u16string& preset : AAnswer.presets) PutText(out, preset);
    PutText(out, AAnswer.device);
    PutText(out, AAnswer.description);
    Put32(out, AAnswer.open ? 1 : 0);
    return out;
}

std::optional<TAnswer> DecodeAnswer(const void* AData, std::size_t ASize) {
    if (AData == nullptr || ASize > 16 * kMaxDataBytes) return std::nullopt;
    TReader reader(AData, ASize);
    TAnswer answer;
    uint32_t delay = 0;
    if (!reader.Get32(delay) || !reader.GetText(answer.text)) return std::nullopt;
    answer.delay = static_cast<int32_t>(delay);
    for (std::u16string& preset : answer.presets) {
        if (!reader.GetText(preset)) return std::nullopt;
    }
    uint32_t open = 0;
    if (!reader.GetText(answer.device) || !reader.GetText(answer.description) || !reader.Get32(open) || open > 1 ||
        !reader.AtEnd()) {
        return std::nullopt;
    }
    answer.open = open == 1;
    return answer;
}

std::u16string StatusText(TStatus AStatus) {
    switch (AStatus) {
    case TStatus::kAccepted: return u"accepted";
    case TStatus::kNotConnected: return u"the emulator is not connected (the device is not open)";
    case TStatus::kEmpty: return u"the text is empty";
    case TStatus::kTooLong:
        return u"the text is too long (at most " + IntToText(static_cast<int64_t>(kMaxTextChars)) + u" characters)";
    case TStatus::kBadEscape: return u"bad escape";
    case TStatus::kEmptyPreset: return u"the preset is empty";
    case TStatus::kBadPayload: return u"malformed data (odd size, or missing)";
    case TStatus::kBadPreset: return u"no such preset (1 to 8)";
    case TStatus::kUnknownCommand: return u"unknown command";
    }
    return u"the window did not take the swipe (status " + IntToText(static_cast<int32_t>(AStatus)) + u")";
}

std::u16string ShowControls(std::u16string_view AText) {
    static constexpr char16_t kHex[] = u"0123456789ABCDEF";
    std::u16string out;
    out.reserve(AText.size());
    for (const char16_t c : AText) {
        if (c < 32 || c == 127) {
            out += u"<0x";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
            out += u'>';
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace swipe
