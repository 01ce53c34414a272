#include <orv/keygen/maskchars.h>

namespace orv {

bool IsANum(char c) { return c >= '0' && c <= '9'; }

bool IsAChar(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u >= 192;
}

}  // namespace orv
