#include "sandbox/gateway.h"

#include "sandbox/signature.h"
#include "sandbox/xml_answers.h"

#include <algorithm>
#include <cstdlib>
#include <set>
#include <vector>

namespace quenbo::sandbox {

namespace {

constexpr std::time_t kTimestampWindow = 10 * 60;
constexpr int kMaxPageNo = 99;
constexpr int kMaxPageSize = 40;
constexpr int kMaxMaterialPageSize = 100;
constexpr int kDefaultMaterialPageSize = 20;
// Commission rates are in hundredths of a percent.
constexpr std::uint64_t kRateCap = 10000;

struct Refusal {
    GatewayError error;
};

[[noreturn]] void refuse(int code, std::string msg)
{
    throw Refusal{{code, std::move(msg), {}, {}}};
}

[[noreturn]] void missingArgument(const std::string &name)
{
    throw Refusal{{40, "Missing Required Arguments:" + name, "isv.missing-parameter:" + name,
                   "缺少必选参数:" + name}};
}

// The platform's answer to an adzone_id that is missing or not the application's.
[[noreturn]] void wrongAdzone()
{
    throw Refusal{
        {15, "Remote service error", "2", "pid不正确，请检查是否输入了正确的adzoneId和siteId"}};
}

[[noreturn]] void invalidArgument(const std::string &name, const std::string &why)
{
    throw Refusal{{41, "Invalid Arguments:" + name, "isv.invalid-parameter:" + name,
                   "参数" + name + "无效: " + why}};
}

// The value of a parameter, or null when it is absent or empty: the platform treats an
// empty value as a missing one.
const std::string *valueOf(const QueryParams &params, std::string_view name)
{
    for (const auto &[key, value] : params) {
        if (key == name)
            return value.empty() ? nullptr : &value;
    }
    return nullptr;
}

bool parseDigits(std::string_view text, std::uint64_t &out)
{
    if (text.empty() || text.size() > 18)
        return false;
    out = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        out = out * 10 + std::uint64_t(c - '0');
    }
    return true;
}

std::uint64_t digitsArgument(const QueryParams &params, const char *name, std::uint64_t fallback,
                             std::uint64_t low, std::uint64_t high)
{
    const std::string *text = valueOf(params, name);
    if (!text)
        return fallback;
    std::uint64_t value = 0;
    if (!parseDigits(*text, value) || value < low || value > high)
        invalidArgument(name,
                        "需为" + std::to_string(low) + "到" + std::to_string(high) + "之间的整数");
    return value;
}

// A yuan amount ("12", "9.9", "0.05") in fen.
std::int64_t yuanArgument(const QueryParams &params, const char *name, std::int64_t fallback)
{
    const std::string *text = valueOf(params, name);
    if (!text)
        return fallback;
    const std::size_t dot = text->find('.');
    std::uint64_t whole = 0;
    std::uint64_t cents = 0;
    const std::string_view fraction =
        dot == std::string::npos ? std::string_view() : std::string_view(*text).substr(dot + 1);
    const bool valid =
        parseDigits(std::string_view(*text).substr(0, dot), whole) && whole < 100000000000ULL &&
        (dot == std::string::npos || (fraction.size() <= 2 && parseDigits(fraction, cents)));
    if (!valid)
        invalidArgument(name, "需为金额(元),最多两位小数");
    if (fraction.size() == 1)
        cents *= 10;
    return static_cast<std::int64_t>(whole * 100 + cents);
}

int creditArgument(const QueryParams &params, const char *name, int fallback)
{
    const std::string *text = valueOf(params, name);
    if (!text)
        return fallback;
    const auto level = creditLevel(*text);
    if (!level)
        invalidArgument(name, "需为1heart到5goldencrown之间的信用等级");
    return *level;
}

std::vector<std::string_view> splitFields(const std::string &text)
{
    std::vector<std::string_view> names;
    std::string_view rest(text);
    while (true) {
        const std::size_t comma = rest.find(',');
        names.push_back(rest.substr(0, comma));
        if (comma == std::string_view::npos)
            break;
        rest.remove_prefix(comma + 1);
    }
    return names;
}

template <typename Field, typename Parse>
std::vector<Field> fieldsArgument(const QueryParams &params, Parse parse)
{
    const std::string *text = valueOf(params, "fields");
    if (!text)
        missingArgument("fields");
    std::vector<Field> fields;
    for (const std::string_view name : splitFields(*text)) {
        const std::optional<Field> field = parse(name);
        if (!field)
            invalidArgument("fields", "不支持的字段 " + std::string(name));
        if (std::find(fields.begin(), fields.end(), *field) == fields.end())
            fields.push_back(*field);
    }
    return fields;
}

// The platform's request id: 13 lower-case letters and digits, here made from the request's
// parameters, so the same request gets the same answer.
std::string requestId(const QueryParams &params)
{
    std::uint64_t hash = 0xCBF29CE484222325ULL;
    for (const auto &[name, value] : params) {
        for (const char c : name + '=' + value + '&')
            hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3ULL;
    }
    static constexpr std::string_view kSymbols = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string id;
    for (int i = 0; i < 13; ++i, hash /= kSymbols.size())
        id += kSymbols[hash % kSymbols.size()];
    return id;
}

void checkCommon(const QueryParams &params, const GatewaySettings &settings, std::time_t now)
{
    const std::string *appKey = valueOf(params, "app_key");
    if (!appKey)
        refuse(28, "Missing App Key");
    if (*appKey != settings.appKey)
        refuse(29, "Invalid App Key");

    const std::string *method = valueOf(params, "method");
    if (!method)
        refuse(21, "Missing Method");
    if (*method != kCategoriesMethod && *method != kItemsMethod && *method != kMaterialMethod)
        refuse(22, "Invalid Method");

    const std::string *timestamp = valueOf(params, "timestamp");
    if (!timestamp)
        refuse(30, "Missing Timestamp");
    std::time_t sent = 0;
    if (!parseTimestamp(*timestamp, sent) ||
        (!settings.lenientTime &&
         std::llabs(static_cast<long long>(sent - now)) > kTimestampWindow))
        refuse(31, "Invalid Timestamp");

    const std::string *sign = valueOf(params, "sign");
    if (!sign || !signatureMatches(params, settings.appSecret, *sign))
        refuse(25, "Invalid Signature");

    const std::string *format = valueOf(params, "format");
    if (format && *format != "xml")
        refuse(23, "Invalid Format");

    const std::string *version = valueOf(params, "v");
    if (!version)
        refuse(32, "Missing Version");
    if (*version != "2.0")
        refuse(34, "Unsupported Version");

    const std::string *signMethod = valueOf(params, "sign_method");
    if (signMethod && *signMethod != "md5")
        invalidArgument("sign_method", "只支持md5");

    std::set<std::string_view> seen;
    for (const auto &[name, value] : params) {
        if (!seen.insert(name).second)
            invalidArgument(name, "参数重复");
    }
}

}  // namespace

bool parseTimestamp(std::string_view text, std::time_t &out)
{
    static constexpr std::string_view kShape = "dddd-dd-dd dd:dd:dd";
    if (text.size() != kShape.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kShape[i] == 'd' ? !digit : text[i] != kShape[i])
            return false;
    }
    const auto number = [&](std::size_t at, std::size_t length) {
        int value = 0;
        for (std::size_t i = at; i < at + length; ++i)
            value = value * 10 + (text[i] - '0');
        return value;
    };
    std::tm parts{};
    parts.tm_year = number(0, 4) - 1900;
    parts.tm_mon = number(5, 2) - 1;
    parts.tm_mday = number(8, 2);
    parts.tm_hour = number(11, 2);
    parts.tm_min = number(14, 2);
    parts.tm_sec = number(17, 2);
    parts.tm_isdst = -1;
    std::tm normalised = parts;
    const std::time_t t = std::mktime(&normalised);
    // mktime moves impossible dates (the 31st of February) along; such a text is refused.
    if (t == std::time_t(-1) || normalised.tm_mday != parts.tm_mday ||
        normalised.tm_mon != parts.tm_mon || normalised.tm_year != parts.tm_year ||
        normalised.tm_min != parts.tm_min || normalised.tm_sec != parts.tm_sec)
        return false;
    out = t;
    return true;
}

Gateway::Gateway(const Catalogue &catalogue, GatewaySettings settings, std::string baseUrl)
    : m_catalogue(catalogue)
    , m_settings(std::move(settings))
    , m_baseUrl(std::move(baseUrl))
{
}

std::string Gateway::answer(const QueryParams &params, std::time_t now) const
{
    try {
        checkCommon(params, m_settings, now);
        const std::string &method = *valueOf(params, "method");
        if (method == kCategoriesMethod)
            return categories(params);
        if (method == kMaterialMethod)
            return materialItems(params);
        return items(params);
    } catch (const Refusal &refusal) {
        return errorAnswer(refusal.error);
    }
}

std::string Gateway::categories(const QueryParams &params) const
{
    const auto fields = fieldsArgument<CategoryField>(params, parseCategoryField);
    std::vector<const Category *> found;
    if (const std::string *cids = valueOf(params, "cids")) {
        for (const std::string_view text : splitFields(*cids)) {
            std::uint64_t cid = 0;
            if (!parseDigits(text, cid))
                invalidArgument("cids", "需为逗号分隔的类目编号");
            if (const Category *category = m_catalogue.category(cid))
                found.push_back(category);
        }
    } else if (const std::string *parent = valueOf(params, "parent_cid")) {
        std::uint64_t parentCid = 0;
        if (!parseDigits(*parent, parentCid))
            invalidArgument("parent_cid", "需为类目编号");
        for (const std::uint32_t index : m_catalogue.children(parentCid))
            found.push_back(&m_catalogue.categories()[index]);
    } else {
        missingArgument("parent_cid");
    }
    return categoriesAnswer(found, fields);
}

std::string Gateway::items(const QueryParams &params) const
{
    const auto fields = fieldsArgument<ItemField>(params, parseItemField);

    ItemFilter filter;
    const std::string *keyword = valueOf(params, "keyword");
    const std::string *cid = valueOf(params, "cid");
    if (!keyword && !cid)
        missingArgument("keyword");
    if (!valueOf(params, "nick") && !valueOf(params, "pid"))
        missingArgument("nick");
    if (keyword)
        filter.foldedKeyword = foldAscii(*keyword);
    if (cid) {
        std::uint64_t value = 0;
        if (!parseDigits(*cid, value))
            invalidArgument("cid", "需为类目编号");
        filter.cids.push_back(value);
    }

    const int pageNo = static_cast<int>(digitsArgument(params, "page_no", 1, 1, kMaxPageNo));
    const int pageSize =
        static_cast<int>(digitsArgument(params, "page_size", kMaxPageSize, 1, kMaxPageSize));

    filter.minPriceFen = yuanArgument(params, "start_price", filter.minPriceFen);
    filter.maxPriceFen = yuanArgument(params, "end_price", filter.maxPriceFen);
    filter.minCredit = creditArgument(params, "start_credit", filter.minCredit);
    filter.maxCredit = creditArgument(params, "end_credit", filter.maxCredit);
    filter.minCommissionRate =
        static_cast<int>(digitsArgument(params, "start_commissionRate", 0, 0, kRateCap));
    filter.maxCommissionRate =
        static_cast<int>(digitsArgument(params, "end_commissionRate", kRateCap, 0, kRateCap));
    constexpr std::uint64_t kCountCap = 1000000000;
    filter.minCommissionNum =
        static_cast<int>(digitsArgument(params, "start_commissionNum", 0, 0, kCountCap));
    filter.maxCommissionNum =
        static_cast<int>(digitsArgument(params, "end_commissionNum", kCountCap, 0, kCountCap));
    if (const std::string *sort = valueOf(params, "sort")) {
        const auto order = parseItemSort(*sort);
        if (!order)
            invalidArgument("sort", "不支持的排序方式");
        filter.sort = *order;
    }

    const ItemPage page = searchItems(m_catalogue, filter, pageNo, pageSize);
    return itemsAnswer(m_catalogue, page, fields, m_baseUrl, filter.foldedKeyword);
}

std::string Gateway::materialItems(const QueryParams &params) const
{
    const std::string *adzone = valueOf(params, "adzone_id");
    if (!adzone || *adzone != m_settings.adzoneId)
        wrongAdzone();

    ItemFilter filter;
    const std::string *keyword = valueOf(params, "q");
    const std::string *cat = valueOf(params, "cat");
    if (!keyword && !cat)
        missingArgument("q");
    if (keyword)
        filter.foldedKeyword = foldAscii(*keyword);
    if (cat) {
        for (const std::string_view text : splitFields(*cat)) {
            std::uint64_t cid = 0;
            if (!parseDigits(text, cid))
                invalidArgument("cat", "需为逗号分隔的类目编号");
            filter.cids.push_back(cid);
        }
    }

    const int pageNo = static_cast<int>(digitsArgument(params, "page_no", 1, 1, kMaxPageNo));
    const int pageSize = static_cast<int>(
        digitsArgument(params, "page_size", kDefaultMaterialPageSize, 1, kMaxMaterialPageSize));

    filter.minPriceFen = yuanArgument(params, "start_price", filter.minPriceFen);
    filter.maxPriceFen = yuanArgument(params, "end_price", filter.maxPriceFen);
    filter.minCommissionRate =
        static_cast<int>(digitsArgument(params, "start_tk_rate", 0, 0, kRateCap));
    filter.maxCommissionRate =
        static_cast<int>(digitsArgument(params, "end_tk_rate", kRateCap, 0, kRateCap));
    if (const std::string *sort = valueOf(params, "sort")) {
        const auto order = parseMaterialSort(*sort);
        if (!order)
            invalidArgument("sort", "不支持的排序方式");
        filter.sort = *order;
    }

    const ItemPage page = searchItems(m_catalogue, filter, pageNo, pageSize);
    return materialAnswer(m_catalogue, page, m_baseUrl, filter.foldedKeyword, requestId(params));
}

std::string Gateway::featuredAnswer() const
{
    ItemPage page;
    page.items.assign(m_catalogue.featured().begin(), m_catalogue.featured().end());
    page.total = page.items.size();
    return itemsAnswer(m_catalogue, page, allItemFields(), m_baseUrl, {});
}

}  // namespace quenbo::sandbox
