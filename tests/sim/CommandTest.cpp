// The command set of the virtual mouse against its memory, with raw frames.
#include <gtest/gtest.h>

#include <numeric>
#include <stdexcept>

#include "SimTestSupport.h"
#include "device/DeviceChannel.h"
#include "sim/FactoryMemory.h"

namespace corv::sim::test {
namespace {

using Commands = SimTest;

std::vector<std::uint8_t> pattern(std::size_t n, std::uint8_t seed)
{
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = static_cast<std::uint8_t>(seed + 7 * i);
    return v;
}

std::vector<std::uint8_t> dataOf(const ReportFrame& frame, std::size_t n)
{
    return std::vector<std::uint8_t>(frame.data().begin(), frame.data().begin() + static_cast<std::ptrdiff_t>(n));
}

TEST_F(Commands, GetInfoDescribesEachModel)
{
    for (const std::uint16_t model : {kModelR210, kModelR240}) {
        SCOPED_TRACE(model == kModelR210 ? "R210" : "R240");
        vendor.reset();
        VirtualMouseConfig config;
        config.model = model;
        makeMouse(config);
        const ReportFrame answer = send(CMD_GET_INFO, 0x21);
        EXPECT_EQ(answer.bytes[0], 0x04);
        EXPECT_EQ(answer.command(), CMD_GET_INFO);
        EXPECT_EQ(answer.length(), 0x21);
        EXPECT_EQ(answer.status(), 0x00);
        EXPECT_EQ(answer.storedChecksum(), answer.computeChecksum());
        const auto d = answer.data();
        EXPECT_EQ(d[kInfoMacroCapacity], 255);
        const unsigned modelId = d[kInfoModelId] | (d[kInfoModelId + 1] << 8);
        EXPECT_EQ(modelId, model == kModelR210 ? 0x3325u : 0x3360u);
        EXPECT_EQ(d[kInfoDpiCount], model == kModelR210 ? 59 : 120);
        EXPECT_EQ(d[7] | (d[8] << 8), 0x0102);  // firmware version
        // Only the 33 identity bytes are carried.
        for (std::size_t i = kDeviceInfoSize; i < kFrameDataSize; ++i)
            EXPECT_EQ(d[i], 0) << i;
    }
}

TEST_F(Commands, OnlyAModelOfTheTableCanBePlayed)
{
    VirtualMouseConfig config;
    config.model = 0x1234;
    EXPECT_THROW(VirtualMouse(clock, config), std::invalid_argument);
}

TEST_F(Commands, MacroCapacityGivesTheAreaSize)
{
    VirtualMouseConfig config;
    config.macroCapacityUnits = 1;
    makeMouse(config);
    EXPECT_EQ(send(CMD_GET_INFO, 0x21).data()[kInfoMacroCapacity], 1);
    EXPECT_EQ(mouse->areaSize(MemoryArea::Macros), 128u);
    EXPECT_EQ(send(CMD_READ_MACROS, 16, 112).status(), 0x00);
    EXPECT_EQ(send(CMD_READ_MACROS, 17, 112).status(), 0xFF);
}

TEST_F(Commands, FactoryContentsArePlausiblePerModel)
{
    for (const ModelFacts& model : {*findModel(kModelR210), *findModel(kModelR240)}) {
        const auto r = FactoryMemory::settingsRecord(model);
        std::vector<int> dpis;
        for (int s = 0; s < 5; ++s)
            dpis.push_back(model.dpiValue(r[15 + s]));
        EXPECT_EQ(dpis, (std::vector<int>{800, 1600, 2400, 3200, 4800}));
        EXPECT_EQ(r[20], 1);  // current stage
        EXPECT_EQ(r[22], 1);  // lighting on
        EXPECT_EQ(r[23], 2);  // lift-off
        EXPECT_EQ(r[14], 3);  // report rate index
    }
    EXPECT_EQ(findModel(kModelR210)->dpiValue(58), 7000);
    EXPECT_EQ(findModel(kModelR210)->dpiValue(49), 5200);
    EXPECT_EQ(findModel(kModelR240)->dpiValue(119), 12000);
    EXPECT_EQ(findModel(kModelR210)->dpiValue(59), 0);

    // Default buttons: left, middle, right, forward, back, DPI cycle first.
    const ReportFrame answer = send(CMD_READ_DEFAULT_BUTTONS, 18, 0);
    EXPECT_EQ(dataOf(answer, 18),
              (std::vector<std::uint8_t>{16, 1, 0, 16, 4, 0, 16, 2, 0, 16, 16, 0, 16, 8, 0, 19, 3, 0}));
    EXPECT_EQ(mouse->buttonBlock(4), mouse->buttonBlock(0));
    // The macro area starts empty: signature, total length 16, no macros.
    const ReportFrame header = send(CMD_READ_MACROS, 16, 0);
    EXPECT_EQ(dataOf(header, 6), (std::vector<std::uint8_t>{0xAA, 0x55, 0x10, 0x00, 0x00, 0x00}));
}

TEST_F(Commands, AnswerEchoesTheRequestWithStatusAndChecksum)
{
    const std::vector<std::uint8_t> data = {9, 8, 7};
    const ReportFrame request = ReportFrame::request(CMD_WRITE_SETTINGS, 3, 64 + 11, data);
    vendor = openNode(kIf1);
    const ReportFrame answer = exchange(*vendor, request);
    for (std::size_t i : {0u, 3u, 4u, 5u, 6u})
        EXPECT_EQ(answer.bytes[i], request.bytes[i]) << i;
    EXPECT_EQ(answer.status(), 0x00);
    EXPECT_EQ(dataOf(answer, 3), data);
    EXPECT_EQ(answer.storedChecksum(), answer.computeChecksum());
}

TEST_F(Commands, SettingsSpaceReadsBackWhatWasWritten)
{
    const auto record = pattern(56, 3);
    EXPECT_EQ(send(CMD_WRITE_SETTINGS, 56, 2 * 64, record).status(), 0x00);
    EXPECT_EQ(dataOf(send(CMD_READ_SETTINGS, 56, 2 * 64), 56), record);
    const auto stored = mouse->settingsRecord(2);
    EXPECT_TRUE(std::equal(record.begin(), record.end(), stored.begin()));
    // The bytes after the 56 of the write keep their values.
    EXPECT_EQ(stored[56], FactoryMemory::settingsRecord(*findModel(kModelR210))[56]);

    EXPECT_EQ(send(CMD_WRITE_SETTINGS, 1, 23, {3}).status(), 0x00);
    EXPECT_EQ(send(CMD_READ_SETTINGS, 1, 23).data()[0], 3);
    EXPECT_EQ(mouse->settingsRecord(0)[23], 3);
    // Last byte of the space.
    EXPECT_EQ(send(CMD_WRITE_SETTINGS, 1, 383, {0x5A}).status(), 0x00);
    EXPECT_EQ(send(CMD_READ_SETTINGS, 1, 383).data()[0], 0x5A);
}

TEST_F(Commands, OutOfRangeRequestsAnswerFFAndChangeNothing)
{
    const auto before = mouse->memory(MemoryArea::Settings);
    struct Case {
        std::uint8_t command, length;
        std::uint16_t address;
    } cases[] = {
        {CMD_READ_SETTINGS, 2, 383}, {CMD_WRITE_SETTINGS, 8, 380},        {CMD_READ_SETTINGS, 57, 0},
        {CMD_WRITE_SETTINGS, 57, 0}, {CMD_READ_SETTINGS, 1, 0xFFFF},      {CMD_READ_BUTTONS, 14, 617},
        {CMD_WRITE_BUTTONS, 1, 630}, {CMD_READ_DEFAULT_BUTTONS, 15, 112}, {CMD_WRITE_COLORS, 8, 57},
        {CMD_READ_MACROS, 1, 32640}, {CMD_WRITE_MACROS, 56, 32600},       {CMD_GET_INFO, 57, 0},
        {CMD_BEGIN, 200, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "command " << int(c.command) << " length " << int(c.length) << " address " << c.address);
        const ReportFrame answer = send(c.command, c.length, c.address, pattern(c.length, 1));
        EXPECT_EQ(answer.status(), 0xFF);
        EXPECT_EQ(answer.command(), c.command);
        EXPECT_EQ(answer.storedChecksum(), answer.computeChecksum());
        for (std::uint8_t b : answer.data())
            ASSERT_EQ(b, 0);
    }
    EXPECT_EQ(mouse->memory(MemoryArea::Settings), before);
    EXPECT_FALSE(mouse->transactionOpen());
}

TEST_F(Commands, ChunkSizedTransfersReachTheEndOfEachArea)
{
    // Block 4 of the button space: 504..629 as 56 + 56 + 14.
    const auto block = pattern(126, 40);
    for (std::size_t k = 0; k < 3; ++k) {
        const std::size_t n = k < 2 ? 56 : 14;
        const std::vector<std::uint8_t> chunk(block.begin() + 56 * k, block.begin() + 56 * k + n);
        EXPECT_EQ(send(CMD_WRITE_BUTTONS, static_cast<std::uint8_t>(n), static_cast<std::uint16_t>(504 + 56 * k), chunk)
                      .status(),
                  0x00);
    }
    EXPECT_EQ(dataOf(send(CMD_READ_BUTTONS, 14, 616), 14), std::vector<std::uint8_t>(block.begin() + 112, block.end()));
    const auto stored = mouse->buttonBlock(4);
    EXPECT_TRUE(std::equal(block.begin(), block.end(), stored.begin()));
    EXPECT_EQ(mouse->buttonBlock(3), FactoryMemory::buttonTable());

    // Default table 112..125; colours 56..63; the last 56 bytes of the macro area.
    EXPECT_EQ(send(CMD_READ_DEFAULT_BUTTONS, 14, 112).status(), 0x00);
    const auto colours = pattern(8, 200);
    EXPECT_EQ(send(CMD_WRITE_COLORS, 8, 56, colours).status(), 0x00);
    const auto storedColours = mouse->memory(MemoryArea::Colors);
    EXPECT_TRUE(std::equal(colours.begin(), colours.end(), storedColours.begin() + 56));
    const auto tail = pattern(56, 77);
    EXPECT_EQ(send(CMD_WRITE_MACROS, 56, 32640 - 56, tail).status(), 0x00);
    EXPECT_EQ(dataOf(send(CMD_READ_MACROS, 56, 32640 - 56), 56), tail);
}

TEST_F(Commands, ReadAnswersCarryOnlyTheBytesAskedFor)
{
    // A read's request data is ignored, and the answer's data past the length is zero.
    const ReportFrame answer = send(CMD_READ_SETTINGS, 2, 14, std::vector<std::uint8_t>(56, 0xEE));
    EXPECT_EQ(answer.data()[0], 3);  // report rate index
    EXPECT_EQ(answer.data()[1], 6);  // stage 0: 800 on the R210
    for (std::size_t i = 2; i < kFrameDataSize; ++i)
        EXPECT_EQ(answer.data()[i], 0) << i;
    EXPECT_EQ(send(CMD_READ_SETTINGS, 0, 0).status(), 0x00);
}

TEST_F(Commands, ActiveRecordIndexIsGuarded)
{
    EXPECT_EQ(send(CMD_WRITE_SETTINGS, 1, 0, {6}).status(), 0xFF);
    EXPECT_EQ(mouse->activeRecord(), 0);
    std::vector<std::uint8_t> record(56, 0x11);
    record[0] = 9;
    EXPECT_EQ(send(CMD_WRITE_SETTINGS, 56, 0, record).status(), 0xFF);
    EXPECT_EQ(mouse->settingsRecord(0)[1], FactoryMemory::settingsRecord(*findModel(kModelR210))[1]);

    EXPECT_EQ(send(CMD_WRITE_SETTINGS, 1, 0, {5}).status(), 0x00);
    EXPECT_EQ(mouse->activeRecord(), 5);
    EXPECT_EQ(send(CMD_READ_SETTINGS, 1, 0).data()[0], 5);
    // Byte 0 of another record is only a byte.
    EXPECT_EQ(send(CMD_WRITE_SETTINGS, 1, 64, {200}).status(), 0x00);
}

TEST_F(Commands, UnknownCommandsAndBadChecksums)
{
    for (int code : {0x00, 0x04, 0x0A, 0x0C, 0x0E, 0x10, 0x16, 0xFF}) {
        SCOPED_TRACE(code);
        EXPECT_EQ(send(static_cast<std::uint8_t>(code)).status(), 0xFF);
    }
    ReportFrame request = ReportFrame::request(CMD_WRITE_SETTINGS, 1, 23, std::vector<std::uint8_t>{3});
    request.bytes[1] ^= 0x01;  // checksum off by one
    vendor = openNode(kIf1);
    const ReportFrame answer = exchange(*vendor, request);
    EXPECT_EQ(answer.status(), 0xFE);
    EXPECT_EQ(answer.storedChecksum(), answer.computeChecksum());
    EXPECT_EQ(mouse->settingsRecord(0)[23], 2);  // not executed
}

TEST_F(Commands, BeginAndEndBracketATransaction)
{
    EXPECT_FALSE(mouse->transactionOpen());
    EXPECT_EQ(send(CMD_END).status(), 0x00);  // END without BEGIN still succeeds
    EXPECT_EQ(send(CMD_BEGIN).status(), 0x00);
    EXPECT_TRUE(mouse->transactionOpen());
    EXPECT_EQ(send(CMD_BEGIN).status(), 0x00);
    EXPECT_TRUE(mouse->transactionOpen());
    EXPECT_EQ(send(CMD_WRITE_SETTINGS, 1, 32, {1}).status(), 0x00);
    EXPECT_EQ(mouse->settingsRecord(0)[32], 1);  // writes take effect inside the bracket
    EXPECT_EQ(send(CMD_END).status(), 0x00);
    EXPECT_FALSE(mouse->transactionOpen());
}

TEST_F(Commands, RestoreDefaultsAnswersEveryHandleThenSendsTheResetEvent)
{
    vendor = openNode(kIf1);
    auto listener = openNode(kIf1);
    auto bootMouse = openNode(kIf0);

    const std::vector<std::uint8_t> macroImage = {0xAA, 0x55, 0x1E, 0x00, 0x01, 0x00};
    ASSERT_TRUE(mouse->writeMemory(MemoryArea::Macros, 0, macroImage));
    EXPECT_EQ(send(CMD_WRITE_SETTINGS, 1, 0, {3}).status(), 0x00);
    EXPECT_EQ(send(CMD_WRITE_SETTINGS, 1, 3 * 64 + 20, {4}).status(), 0x00);
    EXPECT_EQ(send(CMD_WRITE_BUTTONS, 3, 0, {0, 0, 0}).status(), 0x00);
    EXPECT_EQ(send(CMD_WRITE_COLORS, 3, 0, {1, 2, 3}).status(), 0x00);
    EXPECT_EQ(send(CMD_BEGIN).status(), 0x00);
    // The second handle has seen every answer so far.
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(readReport(*listener, 0).code, 64) << i;

    const ReportFrame answer = send(CMD_RESTORE_DEFAULTS);
    EXPECT_EQ(answer.status(), 0x00);
    EXPECT_EQ(answer.command(), CMD_RESTORE_DEFAULTS);

    const auto answerCopy = readReport(*listener, 0);
    EXPECT_EQ(answerCopy.bytes, std::vector<std::uint8_t>(answer.bytes.begin(), answer.bytes.end()));
    EXPECT_EQ(readReport(*listener, 0).bytes, consumerReport(kEventReset));
    EXPECT_EQ(readReport(*listener, 0).bytes, consumerReport(0));
    EXPECT_EQ(readReport(*listener, 0).code, kHidReadTimeout);
    // The command handle gets the same events after its answer; interface 0 gets nothing.
    EXPECT_EQ(readReport(*vendor, 0).bytes, consumerReport(kEventReset));
    EXPECT_EQ(readReport(*vendor, 0).bytes, consumerReport(0));
    EXPECT_EQ(readReport(*bootMouse, 0).code, kHidReadTimeout);

    expectFactoryStateKeepingMacros(3, macroImage);

    mouse->resetToFactory();
    EXPECT_EQ(mouse->memory(MemoryArea::Macros), FactoryMemory::macroArea(32640));
}

TEST_F(Commands, OtherOutputReportsAreIgnoredOrRefused)
{
    auto if1 = openNode(kIf1);
    auto if0 = openNode(kIf0);
    const std::uint8_t leds[2] = {1, 0x02};
    EXPECT_EQ(if1->write(leds, 2, 100), 2);
    const std::uint8_t consumer[3] = {3, 0xE9, 0x00};
    EXPECT_EQ(if1->write(consumer, 3, 100), -1);
    const ReportFrame frame = ReportFrame::request(CMD_BEGIN);
    EXPECT_EQ(if1->write(frame.bytes.data(), 63, 100), -1);  // a short vendor report
    EXPECT_EQ(if0->write(frame.bytes.data(), 64, 100), -1);  // the boot mouse has no output
    EXPECT_EQ(if1->write(nullptr, 64, 100), -1);
    EXPECT_EQ(mouse->frameLog().size(), 0u);
    EXPECT_FALSE(mouse->transactionOpen());
    EXPECT_EQ(readReport(*if1, 0).code, kHidReadTimeout);
}

TEST_F(Commands, ShortReadBufferGetsTheFrontOfTheReport)
{
    vendor = openNode(kIf1);
    const ReportFrame request = ReportFrame::request(CMD_GET_INFO, 0x21);
    ASSERT_EQ(vendor->write(request.bytes.data(), 64, 100), 64);
    std::array<std::uint8_t, 8> small{};
    EXPECT_EQ(vendor->read(small.data(), small.size(), 0), 8);
    EXPECT_EQ(small[3], CMD_GET_INFO);
    EXPECT_EQ(readReport(*vendor, 0).code, kHidReadTimeout);  // the rest of the report is gone
}

// The device layer's channel against the virtual mouse: chunked commands land where the
// mouse keeps them.
TEST_F(Commands, DeviceChannelCommandsRoundTrip)
{
    VirtualMouseConfig config;
    config.model = kModelR240;
    makeMouse(config);
    DeviceChannel channel(*backend, clock);
    channel.setIdentity(kMouseVendorId, kMouseProductId, kCommandUsage, kCommandUsagePage);
    ASSERT_TRUE(channel.device().enumerate());
    ASSERT_TRUE(channel.device().findChannelDevice(channel.identity()));
    channel.setOpen(true);

    std::array<std::uint8_t, kDeviceInfoSize> info{};
    ASSERT_EQ(channel.getInfo(info), kResultOk);
    EXPECT_EQ(info, mouse->deviceInfo());

    std::array<std::uint8_t, kButtonTableSize> block{};
    const auto written = pattern(kButtonTableSize, 5);
    std::copy(written.begin(), written.end(), block.begin());
    ASSERT_EQ(channel.writeButtons(2, block), kResultOk);
    EXPECT_EQ(mouse->buttonBlock(2), block);
    std::array<std::uint8_t, kButtonTableSize> readBack{};
    ASSERT_EQ(channel.readButtons(2, readBack), kResultOk);
    EXPECT_EQ(readBack, block);

    const auto image = pattern(130, 9);
    ASSERT_EQ(channel.writeMacros(image.data(), image.size()), kResultOk);
    std::vector<std::uint8_t> macros(130);
    ASSERT_EQ(channel.readMacros(macros.data(), macros.size()), kResultOk);
    EXPECT_EQ(macros, image);

    std::array<std::uint8_t, kSettingsRecordSize> record{};
    EXPECT_EQ(channel.readSettings(330, record.data(), 56), kResultStatusFF);
}

TEST_F(Commands, ChunkedWritePastTheMacroAreaStopsAtTheFailingChunk)
{
    VirtualMouseConfig config;
    config.macroCapacityUnits = 1;  // 128 bytes
    makeMouse(config);
    DeviceChannel channel(*backend, clock);
    ASSERT_TRUE(channel.device().enumerate());
    ASSERT_TRUE(channel.device().findChannelDevice(
        ChannelIdentity{kMouseVendorId, kMouseProductId, kCommandUsage, kCommandUsagePage}));
    channel.setOpen(true);

    const auto image = pattern(150, 21);  // chunks at 0, 56 and 112 (38 bytes, past the end)
    EXPECT_EQ(channel.writeMacros(image.data(), image.size()), kResultStatusFF);
    const auto area = mouse->memory(MemoryArea::Macros);
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + 112, area.begin()));
    EXPECT_TRUE(std::all_of(area.begin() + 112, area.end(), [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ(mouse->frameLog().frames(FrameDirection::Request).size(), 3u);
}

}  // namespace
}  // namespace corv::sim::test
