#include "sandbox/word_tables.h"

#include <array>

namespace quenbo::sandbox {

namespace {

using Words = std::string_view;

constexpr std::array<Words, 6> kWomenProducts{"连衣裙", "T恤", "衬衫", "半身裙", "外套", "毛衣"};
constexpr std::array<Words, 8> kWomenModifiers{"雪纺", "纯棉", "蕾丝", "针织",
                                               "修身", "宽松", "碎花", "韩版"};
constexpr std::array<Words, 6> kMenProducts{"衬衫", "夹克", "休闲裤", "牛仔裤", "POLO衫", "西服"};
constexpr std::array<Words, 6> kMenModifiers{"商务", "休闲", "纯棉", "修身", "加绒", "水洗"};
constexpr std::array<Words, 5> kShoeProducts{"运动鞋", "高跟鞋", "帆布鞋", "马丁靴", "凉鞋"};
constexpr std::array<Words, 6> kShoeModifiers{"真皮", "透气", "防滑", "厚底", "平底", "复古"};
constexpr std::array<Words, 5> kBagProducts{"双肩包", "单肩包", "钱包", "拉杆箱", "手提包"};
constexpr std::array<Words, 6> kBagModifiers{"真皮", "帆布", "防水", "大容量", "迷你", "复古"};
constexpr std::array<Words, 6> kDigitalProducts{"手机壳", "耳机",   "移动电源",
                                                "数据线", "读卡器", "键盘"};
constexpr std::array<Words, 6> kDigitalModifiers{"无线", "蓝牙", "快充", "便携", "超薄", "金属"};
constexpr std::array<Words, 5> kApplianceProducts{"电饭煲", "电热水壶", "吹风机", "加湿器",
                                                  "电风扇"};
constexpr std::array<Words, 6> kApplianceModifiers{"智能",   "静音", "迷你",
                                                   "大容量", "节能", "家用"};
constexpr std::array<Words, 5> kBeautyProducts{"面霜", "洗面奶", "口红", "面膜", "防晒霜"};
constexpr std::array<Words, 6> kBeautyModifiers{"保湿", "美白", "补水", "控油", "滋润", "清爽"};
constexpr std::array<Words, 5> kBabyProducts{"奶瓶", "纸尿裤", "婴儿车", "童装", "积木"};
constexpr std::array<Words, 6> kBabyModifiers{"防胀气", "超薄", "轻便", "纯棉", "益智", "宝宝"};
constexpr std::array<Words, 5> kFoodProducts{"茶叶", "坚果", "蜂蜜", "饼干", "红枣"};
constexpr std::array<Words, 6> kFoodModifiers{"特级", "有机", "原味", "散装", "礼盒", "农家"};
constexpr std::array<Words, 5> kHomeProducts{"收纳盒", "毛巾", "拖鞋", "衣架", "保温杯"};
constexpr std::array<Words, 6> kHomeModifiers{"加厚", "创意", "简约", "防滑", "不锈钢", "环保"};
constexpr std::array<Words, 5> kBeddingProducts{"四件套", "枕头", "被子", "凉席", "毛毯"};
constexpr std::array<Words, 6> kBeddingModifiers{"全棉",   "磨毛",   "蚕丝",
                                                 "记忆棉", "竹纤维", "冬季"};
constexpr std::array<Words, 5> kSportProducts{"瑜伽垫", "登山包", "跑步鞋", "帐篷", "运动服"};
constexpr std::array<Words, 6> kSportModifiers{"专业", "速干", "户外", "防水", "轻量", "加厚"};
constexpr std::array<Words, 5> kJewelProducts{"项链", "手链", "耳钉", "戒指", "发饰"};
constexpr std::array<Words, 6> kJewelModifiers{"纯银", "水晶", "珍珠", "镀金", "复古", "简约"};
constexpr std::array<Words, 5> kBookProducts{"小说", "童书", "教材", "字帖", "绘本"};
constexpr std::array<Words, 6> kBookModifiers{"正版", "精装", "经典", "畅销", "全套", "新版"};
constexpr std::array<Words, 5> kCarProducts{"坐垫", "脚垫", "车载香水", "行车记录仪", "车载充电器"};
constexpr std::array<Words, 6> kCarModifiers{"四季", "专车专用", "高清", "真皮", "迷你", "通用"};

constexpr std::array<TopCategoryWords, 15> kTopCategories{{
    {"女装", kWomenProducts, kWomenModifiers, 29, 399},
    {"男装", kMenProducts, kMenModifiers, 39, 599},
    {"鞋靴", kShoeProducts, kShoeModifiers, 49, 699},
    {"箱包", kBagProducts, kBagModifiers, 29, 899},
    {"数码配件", kDigitalProducts, kDigitalModifiers, 9, 299},
    {"家用电器", kApplianceProducts, kApplianceModifiers, 59, 1299},
    {"美妆护肤", kBeautyProducts, kBeautyModifiers, 19, 399},
    {"母婴用品", kBabyProducts, kBabyModifiers, 15, 999},
    {"食品特产", kFoodProducts, kFoodModifiers, 9, 199},
    {"家居日用", kHomeProducts, kHomeModifiers, 5, 129},
    {"床上用品", kBeddingProducts, kBeddingModifiers, 39, 899},
    {"运动户外", kSportProducts, kSportModifiers, 29, 1599},
    {"珠宝饰品", kJewelProducts, kJewelModifiers, 9, 2999},
    {"图书音像", kBookProducts, kBookModifiers, 5, 199},
    {"汽车用品", kCarProducts, kCarModifiers, 19, 899},
}};

constexpr std::array<Words, 12> kTitlePrefixes{"新款", "包邮", "正品", "特价", "热卖", "秒杀",
                                               "清仓", "限量", "Mini", "PRO",  "New",  "精选"};
constexpr std::array<Words, 12> kTitleSuffixes{"包邮",     "送礼",     "特价促销",  "限时折扣",
                                               "品质保证", "厂家直销", "买二送一",  "Plus",
                                               "Style",    "Mini版",   "正品&包邮", "热卖&推荐"};

constexpr std::array<Words, 12> kNickHeads{"小",   "阿",   "大",   "老",   "快乐", "阳光",
                                           "星星", "甜心", "蓝色", "时尚", "淘",   "美美"};
constexpr std::array<Words, 12> kNickCores{"猫", "兔", "鱼", "熊", "米", "果",
                                           "雨", "风", "云", "桃", "豆", "橙"};
constexpr std::array<Words, 8> kNickTails{"的店",   "小铺",   "精品屋", "旗舰店",
                                          "杂货铺", "专营店", "工作室", "家"};

constexpr std::array<Words, 16> kLocations{"浙江 杭州", "浙江 义乌", "浙江 温州", "上海",
                                           "北京",      "广东 广州", "广东 深圳", "广东 东莞",
                                           "江苏 苏州", "江苏 南京", "福建 泉州", "福建 厦门",
                                           "山东 青岛", "四川 成都", "湖北 武汉", "河北 石家庄"};

}  // namespace

const WordTables &wordTables()
{
    static constexpr WordTables kTables{kTopCategories, kTitlePrefixes, kTitleSuffixes, kNickHeads,
                                        kNickCores,     kNickTails,     kLocations};
    return kTables;
}

}  // namespace quenbo::sandbox
