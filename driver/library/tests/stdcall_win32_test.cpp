// The 32-bit library as VB6, VBA and Delphi programs call it: through
// addresses found by name, each argument pushed as one 4-byte word (a Long
// by value, or the address of a ByRef record, array or string), the callee
// popping them (stdcall). A call that pops the wrong number of bytes, or
// returns with a register that the caller keeps (EBX, ESI, EDI, EBP)
// changed, does not crash at once: it corrupts the caller's frame and a VB
// program fails later, somewhere else. So every call here goes through a
// thunk that records the stack pointer and those registers around it, and
// does so at each of the four stack alignments a 32-bit caller may give (it
// owes only 4 bytes, where our SSE code wants 16).

#include <cstring>
#include <set>

#include "wine_end_to_end.h"

static_assert(sizeof(void*) == 4, "the stdcall check is for the 32-bit build");

extern "C" {
// What the thunk saw around its last call.
struct CallRecord {
    uint32_t espBefore;  // with the arguments pushed
    uint32_t espAfter;   // after the return
    uint32_t ebx, esi, edi, ebp;
};
CallRecord vexla_call_record;
uint32_t vexla_caller_esp;

// Calls `function` with `count` argument words on a stack whose pointer is
// `skew` bytes past a 16-byte boundary at the call, the kept registers
// holding known values; answers EAX.
uint32_t vexla_checked_call(const void* function, const uint32_t* words, uint32_t count, uint32_t skew);
}

asm(R"(
    .text
    .globl _vexla_checked_call
_vexla_checked_call:
    pushl %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl %esp, _vexla_caller_esp
    movl 20(%esp), %eax
    movl 24(%esp), %edx
    movl 28(%esp), %ecx
    movl 32(%esp), %esi
    leal (,%ecx,4), %ebx
    movl %esp, %edi
    subl %ebx, %edi
    subl $16, %edi
    andl $-16, %edi
    addl %esi, %edi
    addl %ebx, %edi
    movl %edi, %esp
1:  testl %ecx, %ecx
    jz 2f
    decl %ecx
    pushl (%edx,%ecx,4)
    jmp 1b
2:  movl %esp, _vexla_call_record
    movl $0x0b0b0b0b, %ebx
    movl $0x05050505, %esi
    movl $0x0d0d0d0d, %edi
    movl $0x0e0e0e0e, %ebp
    call *%eax
    movl %esp, _vexla_call_record+4
    movl %ebx, _vexla_call_record+8
    movl %esi, _vexla_call_record+12
    movl %edi, _vexla_call_record+16
    movl %ebp, _vexla_call_record+20
    movl _vexla_caller_esp, %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret
)");

namespace vexla::wine {
namespace {

using host::Export;

constexpr int kPort = 31;
constexpr int kSegment = 60;

uint32_t Address(const void* p) {
    return reinterpret_cast<uint32_t>(p);
}

class StdcallEndToEnd : public WineEndToEnd {
  protected:
    // Calls the export with the words a VB6 Declare pushes; the stack and the
    // kept registers must come back as they were.
    uint32_t Call(Export e, std::initializer_list<uint32_t> words) {
        const char* name = host::ExportName(e);
        void* address = vexla.Bind<void>(name);
        EXPECT_NE(address, nullptr) << name;
        if (!address) return 0;
        called.insert(e);
        const uint32_t result = vexla_checked_call(address, words.begin(), static_cast<uint32_t>(words.size()), skew);
        const CallRecord& r = vexla_call_record;
        EXPECT_EQ(r.espAfter - r.espBefore, 4 * words.size())
            << name << " popped the wrong number of bytes (stack 16n+" << skew << ")";
        EXPECT_EQ(r.ebx, 0x0b0b0b0bu) << name << " changed EBX";
        EXPECT_EQ(r.esi, 0x05050505u) << name << " changed ESI";
        EXPECT_EQ(r.edi, 0x0d0d0d0du) << name << " changed EDI";
        EXPECT_EQ(r.ebp, 0x0e0e0e0eu) << name << " changed EBP";
        return result;
    }

    uint32_t skew = 0;
    std::set<Export> called;
};

TEST_F(StdcallEndToEnd, EveryExportCalledAsVb6DeclaresItKeepsTheCallersStackAndRegisters) {
    WriteConfig(kSegment, Settings(3, kPort));
    ASSERT_NO_FATAL_FAILURE(StartSimulator("--format 3 --com " + std::to_string(kPort) +
                                           " --channels 1,2 --motion still --position 1.234"));
    bool first = true;
    for (uint32_t s : {4u, 8u, 12u, 0u}) {
        skew = s;
        SCOPED_TRACE("stack 16n+" + std::to_string(skew));
        // The segment is chosen before the first connection only.
        EXPECT_EQ(static_cast<int32_t>(Call(Export::SetNetSegment, {kSegment})), first ? -1 : 0);
        EXPECT_EQ(static_cast<int32_t>(Call(Export::ConnectComm, {19200, kPort})), -1);

        // The pointers went where the driver writes: the gauges' readings.
        VexlaDataBlock32 block{};
        std::array<int32_t, 32> rates{};
        ASSERT_TRUE(PumpUntil([&] {
            Call(Export::GetReFlashRate32, {Address(rates.data())});
            Call(Export::GetNewData32Ch, {Address(&block)});
            return block.updated[0] == -1 && block.updated[1] == -1;
        }));
        if (first) {
            EXPECT_EQ(block.value[0], 1230);
        }
        VexlaDataBlock16 block16{};
        VexlaRecord32 record32{};
        VexlaRecord8 record8{};
        std::array<int32_t, 8> rates8{};
        Call(Export::GetNewData16Ch, {Address(&block16)});
        Call(Export::GotSerialData32, {Address(&record32)});
        Call(Export::GotSerialData, {Address(&record8)});
        Call(Export::GetReFlashRate, {Address(rates8.data())});

        // Four words in their order: value, decimals, buffer, length.
        char text[16];
        std::memset(text, '#', sizeof text);
        Call(Export::Long2String, {static_cast<uint32_t>(-123456), 3, Address(text), 10});
        EXPECT_STREQ(text, " -123.456");

        Call(Export::SetFilter, {1});
        Call(Export::StartPoint, {0});
        Call(Export::EnableCtrls, {1, 1, 1});
        Call(Export::ShowCtrlForm, {});
        PumpFor(100ms);
        Call(Export::HideCtrlForm, {});
        Call(Export::SetDataZeroCh, {1});
        Call(Export::SetDataZero, {});
        Call(Export::SetHardWareZeroCh, {1});
        Call(Export::SetHardWareZero, {});
        Call(Export::CtrlFirmWare, {2});
        PumpFor(100ms);
        Call(Export::DisConnectComm, {});
        first = false;
    }
    skew = 4;
    Call(Export::DLL_End_Application, {});
    ended = true;
    EXPECT_EQ(called.size(), host::kExportCount) << "an export the check never called";
}

}  // namespace
}  // namespace vexla::wine
