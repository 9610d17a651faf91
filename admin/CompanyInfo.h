#pragma once

// The one Config row: the company information and the desktop picture. Every failure is a DbError.

#include <array>
#include <QString>

namespace tv {

// 公司名称, 公司地址, 公司电话, 公司传真, 负责人, 桌面图片路径: the columns in table order.
using CompanyInfo = std::array<QString, 6>;

// Replaces the row in one transaction; on a failure the old row stays.
void SaveCompanyInfo(const CompanyInfo &info);

// The picture file a desktop picture path names: the path without the blanks around it. The path is
// stored as typed; its existence is tested and its picture loaded from this file.
QString DesktopPictureFile(const QString &path);

} // namespace tv
