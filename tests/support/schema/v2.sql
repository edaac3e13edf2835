-- From version 1 to 2: the order of the history lists.
CREATE INDEX P_ORDERDBAK_order ON P_ORDERDBAK(nf, yf, sjxh);
CREATE INDEX p_orderd_del_order ON p_orderd_del(nf, yf, sjxh);
PRAGMA user_version = 2;
