* Files in six code pages, each with texts that take more bytes in UTF-8
* than in their own encoding: string missing values, value labels, long
* variable and file labels, documents with leading blanks, a multiple-response
* set's label.
* Regenerate with make-fixtures.sh.
SET LOCALE='windows-1252'.
NEW FILE.
DATA LIST LIST NOTABLE /id (F2.0) city (A8) place (A20) score (F2.0).
BEGIN DATA.
1 "Brühlöß" "Ærøskøbing" 10
2 "Zürich" "Brühlöß" 20
3 "" "" 30
END DATA.
MISSING VALUES city ('Brühlöß').
MISSING VALUES place ('Brühlöß').
VARIABLE LABELS city 'Gebäude' /place 'Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — '.
VALUE LABELS city 'Brühlöß' 'Größe und Maße — Größe und Maße — Größe und Maße — ' 'Zürich' 'Zürich' /place 'Ærøskøbing' 'Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — '.
MRSETS /MCGROUP NAME=$pair LABEL='Größe und Maße — Größe und Maß' VARIABLES=id score.
DOCUMENT   Größe und Maße —  (indented)
   Gebäude Gebäude.
FILE LABEL 'Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — Größe und Maße — '.
SAVE OUTFILE='codepage-cp1252.sav'.
SET LOCALE='windows-1251'.
NEW FILE.
DATA LIST LIST NOTABLE /id (F2.0) city (A8) place (A20) score (F2.0).
BEGIN DATA.
1 "Москва" "Санкт-Петербург" 10
2 "Киев" "Москва" 20
3 "" "" 30
END DATA.
MISSING VALUES city ('Москва').
MISSING VALUES place ('Москва').
VARIABLE LABELS city 'Улица' /place 'Население города Население города Население города Население города Население города Население города Население города Население города Население города Население города Население города Население города Население города Население города Население города Население города Население города Население города Население города Население города Население города Население города Население города Население города Население города Население города Население города Население города Население города Население города Население города Население города Население города Население города Население города Население города Население города Население города Население города Население города '.
VALUE LABELS city 'Москва' 'Население города Население города Население города ' 'Киев' 'Киев' /place 'Санкт-Петербург' 'Население города Население города Население города Население города '.
MRSETS /MCGROUP NAME=$pair LABEL='Население города Население гор' VARIABLES=id score.
DOCUMENT   Население города  (indented)
   Улица Улица.
FILE LABEL 'Население города Население города Население города Население города Население города Население города Население города Население города Население города Население города '.
SAVE OUTFILE='codepage-cp1251.sav'.
SET LOCALE='Shift_JIS'.
NEW FILE.
DATA LIST LIST NOTABLE /id (F2.0) city (A8) place (A20) score (F2.0).
BEGIN DATA.
1 "東京都" "名古屋市中区" 10
2 "大阪" "東京都" 20
3 "" "" 30
END DATA.
MISSING VALUES city ('東京都').
MISSING VALUES place ('東京都').
VARIABLE LABELS city '住所' /place '日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。'.
VALUE LABELS city '東京都' '日本語のラベルです。日本語のラベルです。日本語のラベルです。' '大阪' '大阪' /place '名古屋市中区' '日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。'.
MRSETS /MCGROUP NAME=$pair LABEL='日本語のラベルです。日本語のラベルです。日本語のラベルです。' VARIABLES=id score.
DOCUMENT   日本語のラベルです。 (indented)
   住所 住所.
FILE LABEL '日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。日本語のラベルです。'.
SAVE OUTFILE='codepage-sjis.sav'.
SET LOCALE='GBK'.
NEW FILE.
DATA LIST LIST NOTABLE /id (F2.0) city (A8) place (A20) score (F2.0).
BEGIN DATA.
1 "北京市" "广州市天河区" 10
2 "上海" "北京市" 20
3 "" "" 30
END DATA.
MISSING VALUES city ('北京市').
MISSING VALUES place ('北京市').
VARIABLE LABELS city '地址' /place '中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。'.
VALUE LABELS city '北京市' '中文标签文本。中文标签文本。中文标签文本。' '上海' '上海' /place '广州市天河区' '中文标签文本。中文标签文本。中文标签文本。中文标签文本。'.
MRSETS /MCGROUP NAME=$pair LABEL='中文标签文本。中文标签文本。中文标签文本。' VARIABLES=id score.
DOCUMENT   中文标签文本。 (indented)
   地址 地址.
FILE LABEL '中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。中文标签文本。'.
SAVE OUTFILE='codepage-gbk.sav'.
SET LOCALE='Big5'.
NEW FILE.
DATA LIST LIST NOTABLE /id (F2.0) city (A8) place (A20) score (F2.0).
BEGIN DATA.
1 "臺北市" "臺中市西屯區" 10
2 "高雄" "臺北市" 20
3 "" "" 30
END DATA.
MISSING VALUES city ('臺北市').
MISSING VALUES place ('臺北市').
VARIABLE LABELS city '地址' /place '中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。'.
VALUE LABELS city '臺北市' '中文標籤文字。中文標籤文字。中文標籤文字。' '高雄' '高雄' /place '臺中市西屯區' '中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。'.
MRSETS /MCGROUP NAME=$pair LABEL='中文標籤文字。中文標籤文字。中文標籤文字。' VARIABLES=id score.
DOCUMENT   中文標籤文字。 (indented)
   地址 地址.
FILE LABEL '中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。中文標籤文字。'.
SAVE OUTFILE='codepage-big5.sav'.
SET LOCALE='EUC-KR'.
NEW FILE.
DATA LIST LIST NOTABLE /id (F2.0) city (A8) place (A20) score (F2.0).
BEGIN DATA.
1 "서울시" "대구광역시" 10
2 "부산" "서울시" 20
3 "" "" 30
END DATA.
MISSING VALUES city ('서울시').
MISSING VALUES place ('서울시').
VARIABLE LABELS city '주소' /place '한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. '.
VALUE LABELS city '서울시' '한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. ' '부산' '부산' /place '대구광역시' '한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. '.
MRSETS /MCGROUP NAME=$pair LABEL='한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이' VARIABLES=id score.
DOCUMENT   한국어 레이블입니다.  (indented)
   주소 주소.
FILE LABEL '한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. 한국어 레이블입니다. '.
SAVE OUTFILE='codepage-euckr.sav'.
