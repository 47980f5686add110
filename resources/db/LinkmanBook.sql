-- The address book. Every column is text in the GBK collation (ASCII case folded, GBK order).
PRAGMA user_version = 1;

-- The contact fields, in display order; each names a column of LinkmanTable.
CREATE TABLE LinkmanItemTable (
    ItemIndex   TEXT COLLATE GBK,
    LinkmanItem TEXT COLLATE GBK
);
INSERT INTO LinkmanItemTable (ItemIndex, LinkmanItem) VALUES
    ('1', '姓名'),
    ('2', '手机号码'),
    ('3', '单位'),
    ('4', '职务'),
    ('5', '办公电话'),
    ('6', '电子邮件'),
    ('7', '地址'),
    ('8', '备注');

-- One row per contact; DirInfo is the full path of its group.
CREATE TABLE LinkmanTable (
    DirInfo  TEXT COLLATE GBK,
    姓名     TEXT COLLATE GBK,
    手机号码 TEXT COLLATE GBK,
    单位     TEXT COLLATE GBK,
    职务     TEXT COLLATE GBK,
    办公电话 TEXT COLLATE GBK,
    电子邮件 TEXT COLLATE GBK,
    地址     TEXT COLLATE GBK,
    备注     TEXT COLLATE GBK
);
-- A group's contacts in name order, and a contact by group and name.
CREATE INDEX LinkmanTable_DirInfo ON LinkmanTable (DirInfo, 姓名);
CREATE INDEX LinkmanTable_Mobile ON LinkmanTable (手机号码);

-- One row per group (the root "@通信录" has none).
CREATE TABLE DirTable (
    FatherDir TEXT COLLATE GBK,
    ChildDir  TEXT COLLATE GBK
);
CREATE INDEX DirTable_FatherDir ON DirTable (FatherDir, ChildDir);
