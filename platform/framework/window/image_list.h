// CImageList: small images of one size, by index, for a list's items.
#pragma once

#include <memory>

#include "window/resources.h"
#include "window/window_types.h"

namespace fw {
struct ImageListData;
}

class CImageList {
  public:
    CImageList();
    ~CImageList();
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    // Images of cx by cy pixels; flags, initial and grow are the platform's
    // storage hints, accepted and ignored.
    BOOL Create(int cx, int cy, UINT flags, int initial, int grow);
    // The new image's index, or -1.
    int Add(HICON icon);
    int GetImageCount() const;

    // Framework side.
    const fw::ImageListData* data() const { return data_.get(); }

  private:
    std::unique_ptr<fw::ImageListData> data_;
};

#define LVSIL_NORMAL 0
#define LVSIL_SMALL 1
