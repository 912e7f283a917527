#include "record.h"

#include <cstdio>
#include <cstdlib>

namespace {

void AbortOnFailure(const std::string& what) {
    std::fprintf(stderr, "plumquist fuzz: check failed: %s\n", what.c_str());
    std::abort();
}

FailureHandler failureHandler = AbortOnFailure;

}  // namespace

void SetFailureHandler(FailureHandler handler) { failureHandler = handler ? handler : AbortOnFailure; }

void Fail(const std::string& what) { failureHandler(what); }
