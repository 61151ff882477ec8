// Chosen bytes from getrandom, so that a test knows the name a writer will
// pick for its unfinished file ("NAME.tmp-" and six letters drawn from
// getrandom) and can take that name beforehand: the only way to see that a
// name already there is never opened, nor a link there followed.
//
// The test program's own getrandom (random_bytes.cpp) stands in for the C
// library's while this file's object is linked in, which using the class
// below does; without a FixedRandomBytes alive it asks the kernel as usual.
#pragma once

#include <vector>

namespace testing_support {

// While it lives, the n-th getrandom call fills its whole buffer with
// per_call[n], the last one for every call after; calls() counts them. One
// made while another lives stands in for it until it goes.
class FixedRandomBytes {
  public:
    explicit FixedRandomBytes(std::vector<unsigned char> per_call);
    ~FixedRandomBytes();
    FixedRandomBytes(const FixedRandomBytes&) = delete;
    FixedRandomBytes& operator=(const FixedRandomBytes&) = delete;

    int calls() const;

  private:
    std::vector<unsigned char> per_call_;
    std::vector<unsigned char>* outer_;
    int outer_calls_;
};

}  // namespace testing_support
