#pragma once
// The report descriptors of the virtual mouse, byte for byte as its two USB interfaces
// would report them, and the top-level collections they declare.
//
//   interface 0: a boot mouse (usage page 1, usage 2), no report ids
//   interface 1: keyboard        (page 0x01, usage 0x06, report id 1: 8-byte input, 1-byte LED output)
//                consumer control (page 0x0C, usage 0x01, report id 3: one 16-bit usage array)
//                vendor           (page 0xFF1C, usage 0x92, report id 4: 63-byte input and output)
#include <cstdint>
#include <vector>

namespace corv::sim {

enum class MouseCollection { BootMouse, Keyboard, Consumer, Vendor };

inline constexpr int kMouseInterface = 0;
inline constexpr int kVendorInterface = 1;

inline constexpr std::uint8_t kKeyboardReportId = 1;
inline constexpr std::uint8_t kConsumerReportId = 3;
inline constexpr std::uint8_t kVendorReportId = 4;
inline constexpr std::uint8_t kKeyboardOutputReportBytes = 2;  // id + LED byte
inline constexpr std::uint8_t kConsumerReportBytes = 3;        // id + one 16-bit usage

struct CollectionUsage {
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
    int interfaceNumber = -1;
};

class VirtualMouseDescriptor {
public:
    // The report descriptor of interface 0 (boot mouse) or 1 (keyboard, consumer, vendor).
    // Any other number gives an empty descriptor.
    static std::vector<std::uint8_t> forInterface(int interfaceNumber);
    static const std::vector<std::uint8_t>& mouseInterface();
    static const std::vector<std::uint8_t>& vendorInterface();

    // Usage page, usage and interface of one collection.
    static CollectionUsage usageOf(MouseCollection collection);
    // The order in which a hidraw enumeration lists them.
    static std::vector<MouseCollection> defaultOrder();
};

}  // namespace corv::sim
