#include "device/linux/uvc_descriptors.h"

#include <algorithm>
#include <optional>

namespace {

constexpr uint8_t kDtDevice = 0x01;
constexpr uint8_t kDtConfiguration = 0x02;
constexpr uint8_t kDtInterface = 0x04;
constexpr uint8_t kDtInterfaceAssociation = 0x0B;
constexpr uint8_t kDtCsInterface = 0x24;
constexpr size_t kConfigurationLength = 9;

constexpr uint8_t kClassVideo = 0x0E;
constexpr uint8_t kSubclassVideoControl = 0x01;

constexpr uint8_t kVcHeader = 0x01;
constexpr uint8_t kVcInputTerminal = 0x02;
constexpr uint8_t kVcOutputTerminal = 0x03;
constexpr uint8_t kVcSelectorUnit = 0x04;
constexpr uint8_t kVcProcessingUnit = 0x05;
constexpr uint8_t kVcExtensionUnit = 0x06;
constexpr uint8_t kVcEncodingUnit = 0x07;

constexpr uint16_t kIttCamera = 0x0201;
constexpr uint16_t kIttMediaTransportInput = 0x0202;

// One descriptor (or a block of them); every read is bounded by its size.
struct Bytes {
    const uint8_t* data;
    size_t size;

    uint8_t At(size_t i) const { return i < size ? data[i] : 0; }
    uint16_t Le16(size_t i) const {
        return static_cast<uint16_t>(At(i) | static_cast<unsigned>(At(i + 1)) << 8);
    }
    uint32_t Le32(size_t i) const { return Le16(i) | static_cast<uint32_t>(Le16(i + 2)) << 16; }
    Bytes Sub(size_t offset, size_t length) const { return {data + offset, length}; }
};

// Visits each descriptor of a block; false when one is shorter than its header or runs past
// the end of the block.
template <typename Visit>
bool ForEachDescriptor(Bytes block, Visit visit) {
    size_t pos = 0;
    while (pos < block.size) {
        const size_t length = block.At(pos);
        if (length < 2 || length > block.size - pos) {
            return false;
        }
        visit(block.Sub(pos, length));
        pos += length;
    }
    return true;
}

// The selected configuration's block; none when the layout up to it is damaged or it is absent.
std::optional<Bytes> SelectConfiguration(Bytes all, uint8_t configuration) {
    size_t pos = 0;
    if (all.size >= 2 && all.At(1) == kDtDevice) {
        pos = all.At(0);
        if (pos < 2 || pos > all.size) {
            return std::nullopt;
        }
    }
    while (pos < all.size) {
        const Bytes rest = all.Sub(pos, all.size - pos);
        const size_t total = rest.Le16(2);
        if (rest.size < kConfigurationLength || rest.At(1) != kDtConfiguration ||
            rest.At(0) < kConfigurationLength || total < rest.At(0) || total > rest.size) {
            return std::nullopt;
        }
        if (configuration == 0 || rest.At(5) == configuration) {
            return rest.Sub(0, total);
        }
        pos += total;
    }
    return std::nullopt;
}

Guid GuidAt(Bytes d, size_t offset) {
    Guid guid{d.Le32(offset), d.Le16(offset + 4), d.Le16(offset + 6), {}};
    for (size_t i = 0; i < sizeof guid.data4; ++i) {
        guid.data4[i] = d.At(offset + 8 + i);
    }
    return guid;
}

// The length rules below are the ones the uvcvideo driver applies, so a function counts as
// damaged here exactly when the driver would refuse it.
std::optional<UvcEntity> ParseTerminal(Bytes d, UvcEntityKind kind) {
    const uint16_t type = d.Le16(4);
    if (d.size < (kind == UvcEntityKind::kInputTerminal ? 8u : 9u) || (type & 0xFF00) == 0) {
        return std::nullopt;
    }
    if (kind == UvcEntityKind::kInputTerminal && type == kIttCamera) {
        const size_t n = d.size >= 15 ? d.At(14) : 0;
        if (d.size < 15 + n) {
            return std::nullopt;
        }
    }
    if (kind == UvcEntityKind::kInputTerminal && type == kIttMediaTransportInput) {
        const size_t n = d.size >= 9 ? d.At(8) : 0;
        const size_t p = d.size >= 10 + n ? d.At(9 + n) : 0;
        if (d.size < 10 + n + p) {
            return std::nullopt;
        }
    }
    UvcEntity entity;
    entity.id = d.At(3);
    entity.kind = kind;
    entity.terminalType = type;
    return entity;
}

// bcdUVC decides whether a processing unit carries bmVideoStandards.
std::optional<UvcEntity> ParseUnit(Bytes d, uint8_t subtype, uint16_t uvcVersion) {
    UvcEntity entity;
    entity.id = d.At(3);
    switch (subtype) {
        case kVcSelectorUnit: {
            const size_t p = d.At(4);
            entity.kind = UvcEntityKind::kSelectorUnit;
            return d.size >= 5 && d.size >= 6 + p ? std::optional(entity) : std::nullopt;
        }
        case kVcProcessingUnit: {
            const size_t n = d.At(7);
            const size_t fixed = uvcVersion >= 0x0110 ? 10 : 9;
            entity.kind = UvcEntityKind::kProcessingUnit;
            return d.size >= fixed + n ? std::optional(entity) : std::nullopt;
        }
        case kVcExtensionUnit: {
            const size_t p = d.At(21);
            const size_t n = d.size >= 24 + p ? d.At(22 + p) : 0;
            entity.kind = UvcEntityKind::kExtensionUnit;
            entity.extensionCode = GuidAt(d, 4);
            return d.size >= 24 + p + n ? std::optional(entity) : std::nullopt;
        }
        default: {  // the encoding unit: bmControls and bmControlsRuntime of bControlSize each
            const size_t n = d.At(6);
            entity.kind = UvcEntityKind::kEncodingUnit;
            return d.size >= 7 + 2 * n ? std::optional(entity) : std::nullopt;
        }
    }
}

struct Draft {
    VideoFunction function;
    bool headerSeen = false;
    bool damaged = false;

    void Add(Bytes d) {
        const uint8_t subtype = d.At(2);
        std::optional<UvcEntity> entity;
        switch (subtype) {
            case kVcHeader:
                AddHeader(d);
                return;
            case kVcInputTerminal:
                entity = ParseTerminal(d, UvcEntityKind::kInputTerminal);
                break;
            case kVcOutputTerminal:
                entity = ParseTerminal(d, UvcEntityKind::kOutputTerminal);
                break;
            case kVcSelectorUnit:
            case kVcProcessingUnit:
            case kVcExtensionUnit:
            case kVcEncodingUnit:
                entity = ParseUnit(d, subtype, function.uvcVersion);
                break;
            default:
                return;  // not an entity: nothing to address
        }
        if (!entity || entity->id == 0 || function.Entity(entity->id) != nullptr) {
            damaged = true;
            return;
        }
        function.entities.push_back(*entity);
    }

    void AddHeader(Bytes d) {
        const size_t n = d.size >= 12 ? d.At(11) : 0;
        if (headerSeen || d.size < 12 + n) {
            damaged = true;
            return;
        }
        headerSeen = true;
        function.uvcVersion = d.Le16(3);
        function.streamingInterfaces.assign(d.data + 12, d.data + 12 + n);
    }
};

struct Association {
    uint8_t first;
    uint8_t count;
};

class FunctionCollector {
  public:
    void Visit(Bytes d) {
        switch (d.At(1)) {
            case kDtInterfaceAssociation:
                if (d.size >= 8 && d.At(4) == kClassVideo) {
                    associations_.push_back({d.At(2), d.At(3)});
                }
                break;
            case kDtInterface:
                OnInterface(d);
                break;
            case kDtCsInterface:
                if (current_ != nullptr) {
                    current_->Add(d);
                }
                break;
            default:
                break;  // endpoints and their class-specific companions
        }
    }

    std::vector<VideoFunction> Finish() const {
        std::vector<VideoFunction> functions;
        for (const Draft& draft : drafts_) {
            if (draft.damaged || !draft.headerSeen) {
                continue;
            }
            VideoFunction function = draft.function;
            for (const Association& iad : associations_) {
                if (function.controlInterface >= iad.first &&
                    function.controlInterface - iad.first < iad.count) {
                    function.associationFirst = iad.first;
                    function.associationCount = iad.count;
                    break;
                }
            }
            functions.push_back(std::move(function));
        }
        return functions;
    }

  private:
    void OnInterface(Bytes d) {
        current_ = nullptr;
        if (d.size < 9 || d.At(5) != kClassVideo || d.At(6) != kSubclassVideoControl) {
            return;
        }
        const uint8_t number = d.At(2);
        const auto same = std::find_if(drafts_.begin(), drafts_.end(), [&](const Draft& draft) {
            return draft.function.controlInterface == number;
        });
        if (same != drafts_.end()) {
            // An alternate setting carries nothing of ours; a second setting 0 contradicts.
            same->damaged = same->damaged || d.At(3) == 0;
            return;
        }
        drafts_.emplace_back();
        drafts_.back().function.controlInterface = number;
        current_ = &drafts_.back();
    }

    std::vector<Draft> drafts_;
    std::vector<Association> associations_;
    Draft* current_ = nullptr;
};

}  // namespace

const UvcEntity* VideoFunction::Entity(uint32_t id) const {
    const auto it = std::find_if(entities.begin(), entities.end(),
                                 [id](const UvcEntity& entity) { return entity.id == id; });
    return it == entities.end() ? nullptr : &*it;
}

std::vector<VideoFunction> ParseVideoFunctions(const uint8_t* data, size_t size,
                                               uint8_t configuration) {
    if (data == nullptr) {
        return {};
    }
    const std::optional<Bytes> block = SelectConfiguration({data, size}, configuration);
    if (!block) {
        return {};
    }
    FunctionCollector collector;
    if (!ForEachDescriptor(*block, [&](Bytes d) { collector.Visit(d); })) {
        return {};
    }
    return collector.Finish();
}

const VideoFunction* FindVideoFunction(const std::vector<VideoFunction>& functions,
                                       uint8_t interfaceNumber) {
    const auto find = [&](auto matches) -> const VideoFunction* {
        const auto it = std::find_if(functions.begin(), functions.end(), matches);
        return it == functions.end() ? nullptr : &*it;
    };
    if (const VideoFunction* f = find([&](const VideoFunction& function) {
            return function.controlInterface == interfaceNumber;
        })) {
        return f;
    }
    if (const VideoFunction* f = find([&](const VideoFunction& function) {
            const auto& list = function.streamingInterfaces;
            return std::find(list.begin(), list.end(), interfaceNumber) != list.end();
        })) {
        return f;
    }
    return find([&](const VideoFunction& function) {
        return function.associationCount != 0 && interfaceNumber >= function.associationFirst &&
               interfaceNumber - function.associationFirst < function.associationCount;
    });
}
