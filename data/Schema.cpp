#include "data/Schema.h"

#include "data/Database.h"
#include "data/Password.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QRandomGenerator>

namespace tv {

namespace {

const QString kText = QStringLiteral("TEXT");
const QString kKey = QStringLiteral("TEXT COLLATE NOCASE");
const QString kReal = QStringLiteral("REAL");
const QString kAuto = QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");

QList<TableDef> makeTables()
{
    return {
        {QStringLiteral("Detail"),
         {{QStringLiteral("股东账号"), kKey},
          {QStringLiteral("证券名称"), kKey},
          {QStringLiteral("证券代码"), kKey},
          {QStringLiteral("基本面"), kText},
          {QStringLiteral("分析评论"), kText},
          {QStringLiteral("目标价"), kReal},
          {QStringLiteral("市场价格"), kReal},
          {QStringLiteral("涨跌幅"), kText},
          {QStringLiteral("更新日期"), kText},
          {QStringLiteral("止损位"), kReal},
          {QStringLiteral("买入点"), kReal}}},
        {QStringLiteral("rep"),
         {{QStringLiteral("证券代码"), kKey},
          {QStringLiteral("交易类别"), kKey},
          {QStringLiteral("交收日期"), kText},
          {QStringLiteral("成交价格"), kReal},
          {QStringLiteral("成交数量"), kReal},
          {QStringLiteral("证券余额"), kReal},
          {QStringLiteral("成交金额"), kReal},
          {QStringLiteral("资金余额"), kReal},
          {QStringLiteral("手续费"), kReal},
          {QStringLiteral("印花税"), kReal},
          {QStringLiteral("过户费"), kReal},
          {QStringLiteral("其它费用"), kReal},
          {QStringLiteral("收支金额"), kReal},
          {QStringLiteral("合同号"), kText},
          {QStringLiteral("录入者"), kKey},
          {QStringLiteral("repid"), kAuto}}},
        {QStringLiteral("Catalog"), {{QStringLiteral("证券类别"), kKey}, {QStringLiteral("股东账号"), kKey}}},
        {QStringLiteral("machcom"),
         {{QStringLiteral("证券类别"), kKey},
          {QStringLiteral("交易方式"), kKey},
          {QStringLiteral("手续费"), kReal},
          {QStringLiteral("手续费下"), kReal},
          {QStringLiteral("印花税"), kReal},
          {QStringLiteral("印花税下"), kReal},
          {QStringLiteral("过户费"), kReal},
          {QStringLiteral("过户费下"), kReal},
          {QStringLiteral("其它费用"), kReal},
          {QStringLiteral("其它费用下"), kReal}}},
        {QStringLiteral("qixst"),
         {{QStringLiteral("资金余额"), kReal},
          {QStringLiteral("证券市值"), kReal},
          {QStringLiteral("资产总值"), kReal},
          {QStringLiteral("日期"), kText},
          {QStringLiteral("上证指数"), kReal},
          {QStringLiteral("涨跌幅"), kText},
          {QStringLiteral("备注"), kText},
          {QStringLiteral("qixstid"), kAuto}}},
        {QStringLiteral("User"),
         {{QStringLiteral("UID"), kKey}, {QStringLiteral("PWD"), kText}, {QStringLiteral("权限"), kText}}},
        {QStringLiteral("Config"),
         {{QStringLiteral("公司名称"), kText},
          {QStringLiteral("公司地址"), kText},
          {QStringLiteral("公司电话"), kText},
          {QStringLiteral("公司传真"), kText},
          {QStringLiteral("负责人"), kText},
          {QStringLiteral("桌面图片路径"), kText}}},
    };
}

// The orderings the windows read by: rep by date then key, over all codes and per code; qixst by date.
// Small tables get none, so their rows keep coming in the order they were entered.
const QStringList kIndexes = {
    QStringLiteral("CREATE INDEX rep_by_date ON rep (交收日期, repid)"),
    QStringLiteral("CREATE INDEX rep_by_code_date ON rep (证券代码, 交收日期, repid)"),
    QStringLiteral("CREATE INDEX qixst_by_date ON qixst (日期, qixstid)"),
    QStringLiteral("CREATE INDEX detail_by_code ON Detail (证券代码)"),
    QStringLiteral("CREATE INDEX detail_by_name ON Detail (证券名称)"),
};

struct TradeMode
{
    const char *name;
    double commission, commissionMin, stamp, stampMin, transfer, transferMin, other, otherMin;
};

// A-share schedule: commission 0.025% with a 5 yuan minimum both ways, stamp duty 0.05% on sales only,
// transfer fee 0.0001 yuan a share; fund subscriptions 1.5%, redemptions 0.5%; cash movements free.
const TradeMode kTradeModes[] = {
    {"证券买入", 0.00025, 5, 0, 0, 0.0001, 0, 0, 0},
    {"证券卖出", 0.00025, 5, 0.0005, 0, 0.0001, 0, 0, 0},
    {"红利入账", 0, 0, 0, 0, 0, 0, 0, 0},
    {"红股入账", 0, 0, 0, 0, 0, 0, 0, 0},
    {"基金申购拨出", 0.015, 0, 0, 0, 0, 0, 0, 0},
    {"基金赎回拨入", 0.005, 0, 0, 0, 0, 0, 0, 0},
    {"银行转券商", 0, 0, 0, 0, 0, 0, 0, 0},
    {"券商转银行", 0, 0, 0, 0, 0, 0, 0, 0},
    {"利息归本", 0, 0, 0, 0, 0, 0, 0, 0},
    {"利息税代扣", 0, 0, 0, 0, 0, 0, 0, 0},
};

} // namespace

QStringList TableDef::columnNames() const
{
    QStringList names;
    for (const ColumnDef &c : columns)
        names << c.name;
    return names;
}

const QList<TableDef> &Tables()
{
    static const QList<TableDef> tables = makeTables();
    return tables;
}

const TableDef &Table(const QString &name)
{
    for (const TableDef &t : Tables())
        if (t.name.compare(name, Qt::CaseInsensitive) == 0)
            return t;
    throw DbError(DbError::Statement, QStringLiteral("没有这个表：%1").arg(name));
}

QString ConnectString(const QString &password) { return QStringLiteral(";UID=;PWD=") + password; }

QString PasswordOfConnect(const QString &connect)
{
    for (const QString &part : connect.split(u';')) {
        if (part.startsWith(QLatin1String("PWD="), Qt::CaseInsensitive))
            return part.mid(4);
    }
    return QString();
}

QString PasswordCheck(const QString &salt, const QString &password)
{
    const QByteArray data = (QStringLiteral("tallyvane|") + salt + u'|' + password).toUtf8();
    return QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex());
}

QStringList MissingTables(Database &db)
{
    QStringList missing;
    for (const TableDef &t : Tables()) {
        if (!db.exists(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?"), {t.name}))
            missing << t.name;
    }
    return missing;
}

void CreateDatabaseFile(const QString &path, const QString &connect)
{
    if (QFileInfo::exists(path))
        throw DbError(DbError::Statement, QStringLiteral("文件已经存在：%1").arg(path));
    Database db(path, Database::NewFile{});
    Transaction tx(db);
    for (const TableDef &t : Tables()) {
        QStringList cols;
        for (const ColumnDef &c : t.columns)
            cols << QStringLiteral("\"%1\" %2").arg(c.name, c.type);
        db.execute(QStringLiteral("CREATE TABLE \"%1\" (%2)").arg(t.name, cols.join(QStringLiteral(", "))));
    }
    for (const QString &index : kIndexes)
        db.execute(index);
    db.execute(QStringLiteral("CREATE TABLE %1 (name TEXT PRIMARY KEY, value TEXT)").arg(kMetaTable));
    const QString salt = QString::number(QRandomGenerator::system()->generate64(), 16);
    db.execute(QStringLiteral("INSERT INTO %1 (name, value) VALUES ('format', '1'), ('salt', ?), "
                              "('password_check', ?)")
                   .arg(kMetaTable),
               {salt, PasswordCheck(salt, PasswordOfConnect(connect))});
    db.execute(QStringLiteral("PRAGMA application_id = %1").arg(kApplicationId));
    tx.commit();
}

void CreateEmptyDatabase(const QString &path, const QString &connect, const StarterData &starter)
{
    CreateDatabaseFile(path, connect);
    Database db(path, connect);
    Transaction tx(db);
    db.execute(QStringLiteral("INSERT INTO User (UID, PWD, 权限) VALUES (?, ?, ?)"),
               {starter.operatorName, EncodePassword(starter.operatorPassword), starter.operatorRight});
    db.execute(QStringLiteral("INSERT INTO Config (公司名称, 公司地址, 公司电话, 公司传真, 负责人, 桌面图片路径) "
                              "VALUES (?, '', '', '', '', '')"),
               {starter.companyName});
    db.execute(QStringLiteral("INSERT INTO Catalog (证券类别, 股东账号) VALUES (?, ?)"),
               {starter.category, starter.account});
    for (const TradeMode &m : kTradeModes) {
        db.execute(QStringLiteral("INSERT INTO machcom (证券类别, 交易方式, 手续费, 手续费下, 印花税, 印花税下, "
                                  "过户费, 过户费下, 其它费用, 其它费用下) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                   {starter.category, QString::fromUtf8(m.name), m.commission, m.commissionMin, m.stamp, m.stampMin,
                    m.transfer, m.transferMin, m.other, m.otherMin});
    }
    tx.commit();
}

} // namespace tv
