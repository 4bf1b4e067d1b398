-- The favourites store: one row per favourite item. A portable copy opens data/data.db
-- beside the program and never creates it; an installed program makes its database from
-- this file (installed as share/quenbo/schema.sql) on its first run.
CREATE TABLE info (
    fid        TEXT,
    fTitle     TEXT,
    fNick      TEXT,
    fClick     TEXT,
    fShopClick TEXT,
    fPrice     TEXT,
    fYongjin   TEXT,
    fPicUrl    TEXT,
    fFanxian   TEXT,
    fXiaoCount INTEGER,
    fCredit    INTEGER,
    fAddress   TEXT,
    fVolume    INTEGER
);
CREATE INDEX info_fid ON info (fid);
