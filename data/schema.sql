-- The favourites store: one row per favourite item. The program opens data/data.db and
-- never creates it; the run setup makes a fresh file from this schema.
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
