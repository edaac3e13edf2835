-- The rows of a file in use, entered at version 1: receipts in all three
-- receipt tables (every column given, keys with gaps, amounts with four
-- decimals, a date with a time, a quote in a name, NULLs), households,
-- a second employee and the serial register.
INSERT INTO P_ORDERD(iid, BILLID, ITEMNO, GOODSID, QTY, PRICE, TAXRATE, DISC, EXEQTY, STOPED, CANCELED, rq, jkdw, sjxh, sppy, Bzsm, zg, kj, skr, cost, pxxh, lbmc, fkzt, cmc, nf, yf, bzsm1, bhmc, bhh, sccjd, bccjd, bl, cjdl, bdl, hbdl, hjdl, dj, cbr, sccjds, bccjds, cjdls, djs, jed, jes, shsld, shsls, qtfy, fzfy) VALUES
  (3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, '2023-11-02', '1', '00000005', '    ', '    ', '  ', '  ', '李四', 101.1156, 1, '销售单', '未付款', '东区', '2023', '09', '备注', '张三', 'A-101', 1201, 1251.5, 1, 50.5, 0, 0, 0, 0.5123, '王五', 81, 89, 8, 3.1, 26.8765, 24.8, 0.25, 0, 12.5, 300),
  (8, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, '2023-11-30 17:45:09', '1', '00000006', '    ', '    ', '  ', '  ', '李四', 102.2256, 2, '销售单', '已付款', '西区', '2023', '10', NULL, 'O''Brien 李', 'b-7', 1202, 1252.5, 1, 50.5, 0, 0, 0, 0.5123, '王五', 82, 90, 8, 3.1, 27.8765, 24.8, 0.25, 0, 12.5, 300);
INSERT INTO P_ORDERDBAK(iid, BILLID, ITEMNO, GOODSID, QTY, PRICE, TAXRATE, DISC, EXEQTY, STOPED, CANCELED, rq, jkdw, sjxh, sppy, Bzsm, zg, kj, skr, cost, pxxh, lbmc, fkzt, cmc, nf, yf, bzsm1, bhmc, bhh, sccjd, bccjd, bl, cjdl, bdl, hbdl, hjdl, dj, cbr, sccjds, bccjds, cjdls, djs, jed, jes, shsld, shsls, qtfy, fzfy) VALUES
  (1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, '2023-10-02', '1', '00000001', '    ', '    ', '  ', '  ', '李四', 103.3356, 0, '销售单', '已付款', '东区', '2023', '10', '备注', '张三', 'A-101', 1203, 1253.5, 1, 50.5, 0, 0, 0, 0.5123, '王五', 83, 91, 8, 3.1, 28.8765, 24.8, 0.25, 0, 12.5, 300),
  (2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, '2023-10-03', '1', '00000002', '    ', '    ', '  ', '  ', '李四', 104.4456, 7, '销售单', '已付款', '西区', '2023', '10', '备注', '王小二', 'C-3', 1204, 1254.5, 1, 50.5, 0, 0, 0, 0.5123, '王五', 84, 92, 8, 3.1, 29.8765, 24.8, 0.25, 0, 12.5, 300);
INSERT INTO p_orderd_del(iid, BILLID, ITEMNO, GOODSID, QTY, PRICE, TAXRATE, DISC, EXEQTY, STOPED, CANCELED, rq, jkdw, sjxh, sppy, Bzsm, zg, kj, skr, cost, pxxh, lbmc, fkzt, cmc, nf, yf, bzsm1, bhmc, bhh, sccjd, bccjd, bl, cjdl, bdl, hbdl, hjdl, dj, cbr, sccjds, bccjds, cjdls, djs, jed, jes, shsld, shsls, qtfy, fzfy) VALUES
  (5, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, '2023-10-05', '1', '00000003', '    ', '    ', '  ', '  ', '李四', 105.5556, 1, '销售单', '未付款', '东区', '2023', '10', '备注', '赵六', 'D-1', 1205, 1255.5, 1, 50.5, 0, 0, 0, 0.5123, '王五', 85, 93, 8, 3.1, 30.8765, 24.8, 0.25, 0, 12.5, 300),
  (6, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, '2023-10-06', '1', '00000004', '    ', '    ', '  ', '  ', '李四', 106.6656, 1, '销售单', '已付款', '西区', '2023', '10', '备注', '赵六', 'D-1', 1206, 1256.5, 1, 50.5, 0, 0, 0, 0.5123, '王五', 86, 94, 8, 3.1, 31.8765, 24.8, 0.25, 0, 12.5, 300);
INSERT INTO hhb(hh, hm, cmc, hmpy, cmcpy, hhpy, dd, dds, iid) VALUES
  ('A-101', '张三', '东区', 'ZS', 'DQ', 'A-101', 1251.5, 89, 1),
  ('b-7', 'O''Brien 李', '东区', 'O''BRIEN L', 'DQ', 'B-7', 1252.5, 90, 4),
  ('C-3', '王小二', '西区', 'WXE', 'XQ', 'C-3', NULL, 0.75, 5),
  (NULL, '无户号', '', NULL, NULL, NULL, 0, 0, 9);
INSERT INTO zgxxb(zgxm, py, mm, bz, iid) VALUES ('李四', 'lisi', 'Lisi-PW', '抄表人', 7);
INSERT INTO kdfb(hm, kdf, hzf) VALUES ('张三', 12.5, 300), ('王小二', 0, 250.75);
UPDATE sjxhb SET sjxh = 6 WHERE lbmc = '销售单';
INSERT INTO bciidb(sjxh, lbmc) VALUES ('00000001', '销售单'), ('00000002', '销售单'), ('00000003', '销售单'),
  ('00000004', '销售单'), ('00000005', '销售单'), ('00000006', '销售单');
