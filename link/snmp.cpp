#include "link/snmp.h"

namespace snmp {
namespace {

constexpr uint8_t kInteger = 0x02;
constexpr uint8_t kOctetString = 0x04;
constexpr uint8_t kNull = 0x05;
constexpr uint8_t kObjectId = 0x06;
constexpr uint8_t kSequence = 0x30;
constexpr uint8_t kGetRequest = 0xA0;
constexpr uint8_t kGetResponse = 0xA2;
constexpr uint8_t kNoSuchObject = 0x80;
constexpr uint8_t kNoSuchInstance = 0x81;
constexpr uint8_t kEndOfMibView = 0x82;
constexpr int kNoSuchName = 2;  // v1 error status

// --- Writing

void PutLength(std::vector<uint8_t>& out, size_t length) {
    if (length < 0x80) {
        out.push_back(static_cast<uint8_t>(length));
    } else if (length <= 0xFF) {
        out.push_back(0x81);
        out.push_back(static_cast<uint8_t>(length));
    } else {
        out.push_back(0x82);
        out.push_back(static_cast<uint8_t>(length >> 8));
        out.push_back(static_cast<uint8_t>(length));
    }
}

std::vector<uint8_t> Tlv(uint8_t tag, const std::vector<uint8_t>& content) {
    std::vector<uint8_t> out{tag};
    PutLength(out, content.size());
    out.insert(out.end(), content.begin(), content.end());
    return out;
}

std::vector<uint8_t> Integer(int32_t value) {
    // Two's complement, big-endian, without redundant leading bytes.
    std::vector<uint8_t> bytes;
    for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<uint8_t>(static_cast<uint32_t>(value) >> shift));
    size_t skip = 0;
    while (skip + 1 < bytes.size() && ((bytes[skip] == 0x00 && (bytes[skip + 1] & 0x80) == 0) ||
                                       (bytes[skip] == 0xFF && (bytes[skip + 1] & 0x80) != 0))) {
        ++skip;
    }
    return Tlv(kInteger, std::vector<uint8_t>(bytes.begin() + static_cast<long>(skip), bytes.end()));
}

std::vector<uint8_t> ObjectId(const Oid& oid) {
    std::vector<uint8_t> content;
    auto base128 = [&content](uint32_t arc) {
        uint8_t groups[5];
        int n = 0;
        do {
            groups[n++] = static_cast<uint8_t>(arc & 0x7F);
            arc >>= 7;
        } while (arc != 0);
        while (n > 0) {
            --n;
            content.push_back(static_cast<uint8_t>(groups[n] | (n > 0 ? 0x80 : 0)));
        }
    };
    base128(oid[0] * 40 + oid[1]);
    for (size_t i = 2; i < oid.size(); ++i) base128(oid[i]);
    return Tlv(kObjectId, content);
}

std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// --- Reading: a cursor over one container's content; every step stays inside it.

class Reader {
public:
    Reader(const uint8_t* data, size_t length) : data_(data), end_(length) {}
    bool atEnd() const { return pos_ == end_; }

    // The next TLV: its tag and a reader over its content. False on bad BER or a length past the
    // end of this container.
    bool next(uint8_t& tag, Reader& content) {
        if (end_ - pos_ < 2) return false;
        tag = data_[pos_++];
        if ((tag & 0x1F) == 0x1F) return false;  // multi-byte tags are not used by SNMP
        size_t length = data_[pos_++];
        if (length & 0x80) {
            const size_t count = length & 0x7F;
            if (count == 0 || count > 2 || end_ - pos_ < count) return false;  // no indefinite form
            length = 0;
            for (size_t i = 0; i < count; ++i) length = (length << 8) | data_[pos_++];
        }
        if (length > end_ - pos_) return false;
        content = Reader(data_ + pos_, length);
        pos_ += length;
        return true;
    }
    bool expect(uint8_t wanted, Reader& content) {
        uint8_t tag = 0;
        return next(tag, content) && tag == wanted;
    }
    size_t size() const { return end_; }
    const uint8_t* bytes() const { return data_; }

private:
    const uint8_t* data_;
    size_t end_;
    size_t pos_ = 0;
};

bool ReadInteger(Reader& r, int32_t& value) {
    Reader content(nullptr, 0);
    if (!r.expect(kInteger, content) || content.size() == 0 || content.size() > 4) return false;
    uint32_t v = (content.bytes()[0] & 0x80) ? 0xFFFFFFFFu : 0;
    for (size_t i = 0; i < content.size(); ++i) v = (v << 8) | content.bytes()[i];
    value = static_cast<int32_t>(v);
    return true;
}

bool DecodeOid(const Reader& content, Oid& oid) {
    oid.clear();
    uint64_t arc = 0;
    size_t digits = 0;
    for (size_t i = 0; i < content.size(); ++i) {
        const uint8_t b = content.bytes()[i];
        if (digits == 0 && b == 0x80) return false;  // a padded arc
        arc = (arc << 7) | (b & 0x7F);
        if (++digits > 5 || arc > 0xFFFFFFFFu) return false;
        if (b & 0x80) continue;
        if (oid.empty()) {
            const uint32_t first = arc < 40 ? 0 : arc < 80 ? 1 : 2;
            oid.push_back(first);
            oid.push_back(static_cast<uint32_t>(arc - first * 40));
        } else {
            oid.push_back(static_cast<uint32_t>(arc));
        }
        if (oid.size() > kMaxArcs) return false;
        arc = 0;
        digits = 0;
    }
    return digits == 0 && oid.size() >= 2;
}

}  // namespace

std::optional<Oid> ParseOid(std::string_view dotted) {
    Oid oid;
    uint64_t arc = 0;
    bool digit = false;
    for (size_t i = 0; i <= dotted.size(); ++i) {
        if (i == dotted.size() || dotted[i] == '.') {
            if (!digit) return std::nullopt;
            oid.push_back(static_cast<uint32_t>(arc));
            arc = 0;
            digit = false;
            continue;
        }
        if (dotted[i] < '0' || dotted[i] > '9') return std::nullopt;
        arc = arc * 10 + static_cast<uint64_t>(dotted[i] - '0');
        if (arc > 0xFFFFFFFFu) return std::nullopt;
        digit = true;
    }
    if (oid.size() < 2 || oid.size() > kMaxArcs || oid[0] > 2 || (oid[0] < 2 && oid[1] >= 40)) return std::nullopt;
    return oid;
}

std::string FormatOid(const Oid& oid) {
    std::string text;
    for (size_t i = 0; i < oid.size(); ++i) text += (i ? "." : "") + std::to_string(oid[i]);
    return text;
}

std::vector<uint8_t> EncodeGet(int version, std::string_view community, int32_t requestId, const Oid& oid) {
    if (community.size() > 255 || !ParseOid(FormatOid(oid))) return {};
    const std::vector<uint8_t> binding = Tlv(kSequence, Join({ObjectId(oid), {kNull, 0x00}}));
    const std::vector<uint8_t> pdu =
        Tlv(kGetRequest, Join({Integer(requestId), Integer(0), Integer(0), Tlv(kSequence, binding)}));
    return Tlv(kSequence, Join({Integer(version), Tlv(kOctetString, std::vector<uint8_t>(community.begin(), community.end())),
                                pdu}));
}

std::optional<Response> DecodeResponse(const uint8_t* data, size_t length) {
    if (data == nullptr || length > kMaxMessage) return std::nullopt;
    Reader whole(data, length);
    Reader message(nullptr, 0), community(nullptr, 0), pdu(nullptr, 0), bindings(nullptr, 0), binding(nullptr, 0),
        name(nullptr, 0), value(nullptr, 0);
    if (!whole.expect(kSequence, message) || !whole.atEnd()) return std::nullopt;
    Response r;
    int32_t version = 0, errorStatus = 0, errorIndex = 0;
    if (!ReadInteger(message, version) || (version != kVersion1 && version != kVersion2c)) return std::nullopt;
    if (!message.expect(kOctetString, community) || !message.expect(kGetResponse, pdu) || !message.atEnd()) {
        return std::nullopt;
    }
    if (!ReadInteger(pdu, r.requestId) || !ReadInteger(pdu, errorStatus) || !ReadInteger(pdu, errorIndex)) return std::nullopt;
    if (!pdu.expect(kSequence, bindings) || !pdu.atEnd()) return std::nullopt;
    if (!bindings.expect(kSequence, binding) || !bindings.atEnd()) return std::nullopt;
    if (!binding.expect(kObjectId, name) || !DecodeOid(name, r.oid)) return std::nullopt;
    uint8_t tag = 0;
    if (!binding.next(tag, value) || !binding.atEnd()) return std::nullopt;
    r.version = version;
    r.errorStatus = errorStatus;
    if (errorStatus == kNoSuchName) {
        r.answer = Answer::NoObject;
    } else if (errorStatus != 0) {
        r.answer = Answer::Error;
    } else if (tag == kNoSuchObject || tag == kNoSuchInstance || tag == kEndOfMibView) {
        r.answer = Answer::NoObject;
    } else if (tag == kOctetString) {
        if (value.size() > kMaxValue) return std::nullopt;
        r.answer = Answer::Value;
        r.value.assign(reinterpret_cast<const char*>(value.bytes()), value.size());
    } else {
        r.answer = Answer::OtherType;
    }
    return r;
}

}  // namespace snmp
