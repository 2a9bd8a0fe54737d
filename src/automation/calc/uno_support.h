#pragma once
// What every part of the Calc host takes from the UNO SDK, and the conversions between UNO's
// strings and the object model's UTF-8 texts.

#include <com/sun/star/uno/Any.hxx>
#include <com/sun/star/uno/Reference.hxx>
#include <com/sun/star/uno/Sequence.hxx>
#include <osl/file.hxx>
#include <rtl/ustring.hxx>

#include <filesystem>
#include <string>
#include <string_view>

namespace vx::automation::calc {

namespace css = ::com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

inline rtl::OUString ToUno(std::string_view utf8) {
  return rtl::OUString(utf8.data(), static_cast<sal_Int32>(utf8.size()), RTL_TEXTENCODING_UTF8);
}

inline std::string FromUno(const rtl::OUString& text) {
  const rtl::OString bytes = rtl::OUStringToOString(text, RTL_TEXTENCODING_UTF8);
  return std::string(bytes.getStr(), static_cast<size_t>(bytes.getLength()));
}

// The file URL of a path (made absolute), and the path of a file URL ("" for another URL).
inline std::string FileUrlOf(const std::string& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error).lexically_normal();
  rtl::OUString url;
  osl::FileBase::getFileURLFromSystemPath(ToUno(error ? path : absolute.string()), url);
  return FromUno(url);
}

inline std::string PathOfFileUrl(const std::string& url) {
  rtl::OUString path;
  if (osl::FileBase::getSystemPathFromFileURL(ToUno(url), path) != osl::FileBase::E_None) return {};
  return FromUno(path);
}

template <typename T>
Any AnyOf(const T& value) {
  Any any;
  any <<= value;
  return any;
}

// `object` as one of the interfaces it derives from (UNO's own up-cast needs
// LIBO_INTERNAL_ONLY, which a client outside LibreOffice does not define).
template <typename To, typename From>
Reference<To> Up(const Reference<From>& object) {
  return Reference<To>(object.get());
}

// A UNO interface of `object`, or an exception that says which one it lacks.
template <typename T, typename From>
Reference<T> As(const From& object) {
  return Reference<T>(object, UNO_QUERY_THROW);
}

}  // namespace vx::automation::calc
