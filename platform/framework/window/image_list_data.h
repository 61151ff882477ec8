// What a CImageList holds (framework side).
#pragma once

#include <QIcon>
#include <QSize>
#include <vector>

namespace fw {

struct ImageListData {
    QSize size;
    std::vector<QIcon> images;
};

}  // namespace fw
