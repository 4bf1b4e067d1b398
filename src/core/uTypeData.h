#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// The plain records that carry categories, items and picture jobs between the parts of
// the program. Texts are UTF-8; a new record has every field empty, zero or null.

namespace quenbo {

class TJpegImage;

// One item category as the category query reports it.
struct TShopClass {
    std::string Cid;
    std::string ParentCid;  // "0" for a top-level category
    std::string Name;
    bool Loaded = false;   // its subcategories have been requested
    std::string IsParent;  // "true" (exactly) when it has subcategories
};

// One affiliate item.
//
// Picture sharing: the record kept in the core object's item list owns the picture;
// copies of the record (the copy drawn by the item list, the item last right-clicked, the
// copy a favourite is stored from) share the same picture object. The shared pointer keeps
// the picture alive while any copy still holds it, so a copy can never see a released one.
struct TTaoBaoData {
    std::string NumIid;
    std::string Title;
    std::string Nick;
    std::string ClickUrl;
    std::string ShopClickUrl;
    std::string Price;  // exactly as the platform wrote it
    double Commission = 0;
    std::string PicUrl;
    double CashBack = 0;
    std::int32_t SalesCount = 0;
    std::int32_t CreditScore = 0;
    std::string Location;
    std::int32_t Volume = 0;
    std::shared_ptr<TJpegImage> Picture;  // made empty when PicUrl is read, else null
};

// The suffixes of an item's picture address that ask the picture host for the list's picture.
inline constexpr std::string_view kLargePictureSuffix = "_b.jpg";
inline constexpr std::string_view kSquarePictureSuffix = "_310x310.jpg";

// One picture download job.
struct TDownPic {
    std::string NumIid;
    std::string PicUrl;
    // What the list's picture adds to PicUrl: the host's large picture for the item method,
    // its 310x310 picture for the material search.
    std::string PicSuffix = std::string(kLargePictureSuffix);
};

// The platform's seller credit levels, 1 to 20 (hearts, diamonds, crowns, golden crowns).
inline constexpr int kCreditLevels = 20;

// The cash-back amount shown for a commission: half of it, rounded to a multiple of 0.01.
// The quotient by 0.01 is formed in 80-bit extended precision and rounded to the nearest
// whole number, ties to even, so decimal half-way amounts fall by their binary value
// (0.25 gives 0.12, 3.00 gives 1.5).
double CashBack(double commission);

// The six-digit code of a cash-back amount as the list shows it ("1.5" gives "000150", "12"
// gives "001200", "" gives "000000"); empty for an amount the code cannot carry.
std::string CashBackCode(std::string_view amount);
// The cash-back address of an item: fanXianUrl, the item's id and the code of its cash-back
// amount.
std::string CashBackAddress(std::string_view fanXianUrl, std::string_view id, double cashBack);

}  // namespace quenbo
