#include "sandbox/site.h"

#include "sandbox/addresses.h"
#include "sandbox/text_format.h"

#include <algorithm>

namespace quenbo::sandbox {

namespace {

std::string escapeHtml(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string page(std::string_view title, std::string_view body)
{
    std::string html = "<!DOCTYPE html>\n<html lang=\"zh-CN\"><head><meta charset=\"utf-8\">"
                       "<title>";
    html += escapeHtml(title);
    html += "</title></head><body><h1>";
    html += escapeHtml(title);
    html += "</h1>\n";
    html += body;
    html += "\n</body></html>\n";
    return html;
}

std::string link(std::string_view href, std::string_view text)
{
    return "<a href=\"" + escapeHtml(href) + "\">" + escapeHtml(text) + "</a>";
}

bool allDigits(std::string_view text)
{
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

Site::Site(const Catalogue &catalogue, std::string baseUrl, std::string_view versionText)
    : m_catalogue(catalogue)
    , m_baseUrl(std::move(baseUrl))
    , m_versionFile(replaceAll(versionText, "{base}", m_baseUrl))
{
}

std::string Site::homePage() const
{
    return page("Quenbo 本地试用服务",
                "<p>这里是 Quenbo 的本地试用服务,提供商品类目、淘宝客商品、商品图片和帮助页面。</p>"
                "<ul><li>" +
                    link(m_baseUrl + std::string(kHelpPath), "在线帮助") + "</li><li>" +
                    link(m_baseUrl + std::string(kFeedbackPath), "意见反馈") + "</li><li>" +
                    link(m_baseUrl + std::string(kIndexPath), "推荐商品") + "</li></ul>");
}

std::string Site::helpPage() const
{
    return page("Quenbo 在线帮助",
                "<h2>搜索商品</h2><p>在搜索框输入关键词,按“搜索”即可列出相关的淘宝客商品。"
                "双击左侧类目可以列出该类目下的全部商品。</p>"
                "<h2>翻页与排序</h2><p>每页显示40件商品,可以翻到第99页。"
                "点击排序按钮可按价格、信用、返现或销量排列本页商品。</p>"
                "<h2>返现</h2><p>点击商品的“返现”按钮,在打开的页面中完成购买即可获得返现。</p>"
                "<h2>收藏</h2><p>点击商品的收藏按钮把商品加入收藏夹,以后无需联网即可查看。</p>");
}

std::string Site::feedbackPage() const
{
    return page("意见反馈",
                "<p>感谢您使用 Quenbo!如果您在使用中遇到问题或有任何建议,"
                "请在下面留言,我们会尽快回复。</p>"
                "<form method=\"post\"><p><textarea name=\"content\" rows=\"6\" cols=\"60\">"
                "</textarea></p><p>联系方式:<input name=\"contact\"></p>"
                "<p><input type=\"submit\" value=\"提交\"></p></form>");
}

std::string Site::downloadPage() const
{
    return page("Quenbo 下载", "<p>最新版本的 Quenbo 安装程序可以在这里下载。</p>");
}

std::string Site::notFoundPage() const
{
    return page("页面不存在", "<p>您访问的页面不存在或已被删除。</p>");
}

std::string Site::faultPage() const
{
    return page("服务器繁忙", "<p>服务器繁忙,请稍后再试。</p>");
}

std::optional<std::string> Site::clickPage(std::string_view id) const
{
    const Item *item = m_catalogue.findAnyItem(id);
    if (!item)
        return std::nullopt;
    const Seller &seller = m_catalogue.sellers()[item->seller];
    return page(item->title, "<p>商品编号:" + escapeHtml(item->numIid) +
                                 "</p><p>价格:" + yuanText(item->priceFen) + " 元</p><p>卖家:" +
                                 link(shopUrl(m_baseUrl, item->seller), seller.nick) +
                                 "</p><p>所在地:" + escapeHtml(seller.location) +
                                 "</p><p>30天销量:" + std::to_string(item->volume) + " 件</p>");
}

std::optional<std::string> Site::shopPage(std::string_view sellerText) const
{
    if (!allDigits(sellerText) || sellerText.size() > 6)
        return std::nullopt;
    const auto seller = static_cast<std::uint32_t>(std::stoul(std::string(sellerText)));
    if (seller >= m_catalogue.sellers().size())
        return std::nullopt;
    const Seller &shop = m_catalogue.sellers()[seller];
    std::string body = "<p>掌柜:" + escapeHtml(shop.nick) +
                       "</p><p>所在地:" + escapeHtml(shop.location) + "</p><h2>店内宝贝</h2><ul>";
    for (const std::uint32_t index : m_catalogue.itemsOfSeller(seller)) {
        const Item &item = m_catalogue.items()[index];
        body += "<li>" + link(clickUrl(m_baseUrl, item.numIid), item.title) + " " +
                yuanText(item.priceFen) + " 元</li>";
    }
    body += "</ul>";
    return page(shop.nick + " 的店铺", body);
}

std::optional<std::string> Site::cashBackPage(std::string_view idAndCode) const
{
    constexpr std::size_t kCodeLength = 6;
    if (idAndCode.size() <= kCodeLength ||
        !allDigits(idAndCode.substr(idAndCode.size() - kCodeLength)))
        return std::nullopt;
    const std::string_view id = idAndCode.substr(0, idAndCode.size() - kCodeLength);
    const Item *item = m_catalogue.findAnyItem(id);
    if (!item)
        return std::nullopt;
    const std::int64_t fen = std::stoll(std::string(idAndCode.substr(id.size())));
    return page("返现购买", "<p>商品:" + link(clickUrl(m_baseUrl, item->numIid), item->title) +
                                "</p><p>通过本页购买可获得返现 " + yuanText(fen) + " 元。</p>");
}

}  // namespace quenbo::sandbox
