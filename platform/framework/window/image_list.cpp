#include "window/image_list.h"

#include "window/icon_handle.h"
#include "window/image_list_data.h"

CImageList::CImageList() = default;

CImageList::~CImageList() = default;

BOOL CImageList::Create(int cx, int cy, UINT /*flags*/, int /*initial*/, int /*grow*/) {
    if (cx <= 0 || cy <= 0) return FALSE;
    data_ = std::make_unique<fw::ImageListData>();
    data_->size = QSize(cx, cy);
    return TRUE;
}

int CImageList::Add(HICON icon) {
    if (data_ == nullptr || icon == nullptr) return -1;
    data_->images.push_back(fw::ToQIcon(icon));
    return static_cast<int>(data_->images.size()) - 1;
}

int CImageList::GetImageCount() const {
    return data_ == nullptr ? 0 : static_cast<int>(data_->images.size());
}
