#include "targets.h"

#include "abi/exports.h"
#include "harness.h"
#include "routine_targets.h"

namespace {

// An export the host calls with its buffer: four bytes of host state, then
// the argument.
void RunExport(const Target& target, const uint8_t* data, size_t size, Record& record) {
    FuzzInput input(data, size);
    const HostChoice choice = ReadHostChoice(input);
    const std::u16string argument = Filled(input.Text(), choice.fill);
    PrepareHost(choice, record);
    CallOnBuffer(reinterpret_cast<ExportFn>(target.export_), argument, record);
    FinishInput();
    // What SAFEARRAY did to the arrays is its result too.
    if (target.export_ == reinterpret_cast<void*>(&safearray) && (choice.flags & HOST_ARRAYS)) RecordArrays(record);
}

#define PLUM_TARGET_STRING_OF(x) #x
#define PLUM_TARGET_STRING(x) PLUM_TARGET_STRING_OF(x)
#define PLUM_BUFFER_TARGET(kind, name) \
    {PLUM_TARGET_STRING(PLUM_SYMBOL(kind, name)), RunExport, reinterpret_cast<void*>(&PLUM_SYMBOL(kind, name)), true},
#define PLUM_TARGET_ENTRY(kind, name, bytes)
#define PLUM_TARGET_HOOK(kind, name, bytes)
#define PLUM_TARGET_FUNCTION(kind, name, bytes) PLUM_BUFFER_TARGET(kind, name)
#define PLUM_TARGET_VARIABLE(kind, name, bytes) PLUM_BUFFER_TARGET(kind, name)
#define PLUM_TARGET_COMMAND(kind, name, bytes) PLUM_BUFFER_TARGET(kind, name)
#define PLUM_TARGET(kind, name, bytes) PLUM_TARGET_##kind(kind, name, bytes)

std::vector<Target> MakeTargets() {
    std::vector<Target> targets = {PLUM_EXPORT_TABLE(PLUM_TARGET)};
    targets.push_back({"parse_args", RunParseArgs, nullptr, true});
    targets.push_back({"unsafe_list", RunUnsafeList, nullptr, true});
    targets.push_back({"uquotes_settings", RunUquotesSettings, nullptr, true});
    targets.push_back({"tagattr_settings", RunTagattrSettings, nullptr, true});
    // The POSIX backend's registry store; Windows has the system's registry.
#if defined(_WIN32)
    targets.push_back({"registry_store", nullptr, nullptr, false});
#else
    targets.push_back({"registry_store", RunRegistryStore, nullptr, false});
#endif
    return targets;
}

}  // namespace

const std::vector<Target>& Targets() {
    static const std::vector<Target> targets = MakeTargets();
    return targets;
}

const Target* FindTarget(const std::string& name) {
    for (const Target& target : Targets()) {
        if (target.name == name) return &target;
    }
    return nullptr;
}

void RunTarget(const Target& target, const uint8_t* data, size_t size, Record& record) {
    target.run(target, data, size, record);
}
