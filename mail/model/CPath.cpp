#include "model/CPath.h"

#include "encoding/CCodePage.h"

CPath CPath::FromText(const CString& cp932)
{
    return CPath(CCodePage::ToUtf8(cp932));
}

CString CPath::ToText() const
{
    return CCodePage::FromUtf8(bytes_);
}

CPath CPath::FileName() const
{
    std::size_t slash = bytes_.rfind('/');
    return slash == std::string::npos ? *this : CPath(bytes_.substr(slash + 1));
}

CPath CPath::Parent() const
{
    std::size_t slash = bytes_.rfind('/');
    if (slash == std::string::npos) return CPath();
    return CPath(bytes_.substr(0, slash == 0 ? 1 : slash));
}

CPath CPath::operator/(std::string_view name) const
{
    std::string joined = bytes_;
    if (joined.empty() || joined.back() != '/') joined += '/';
    joined += name;
    return CPath(std::move(joined));
}
