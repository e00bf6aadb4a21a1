#!/usr/bin/env python3
"""Writes the synthetic sample logs pelnet-0402.log, pelnet-0403.log and
pelnet-lists.log (code page 932, CR LF), as a terminal program would have
captured three sessions with the same host. Run from anywhere; the output is
the same bytes every time. sample.log is written by hand and not touched here.

Header columns (1-based byte positions) follow the host's fixed layout:
marked   "  ●" number(5-9) tag(10-14) title(15-46) ID(48-51) name(53-68)
counted  "#Fc." number(5-9) tag(10-14) title(15-46) ID(48-51) name(53-68) lines(75-78)
mail     as marked, one byte to the left; files: name(14-25) title(38-...)
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))


def sj(text):
    return text.encode("cp932")


def cut(text, width):
    """The text as cp932 bytes, cut or padded with blanks to width bytes."""
    b = sj(text)[:width]
    return b + b" " * (width - len(b))


class Log:
    def __init__(self):
        self.lines = []

    def add(self, line=""):
        self.lines.append(line if isinstance(line, bytes) else sj(line))

    def many(self, text):
        for line in text.strip("\n").split("\n"):
            self.add(line)

    def write(self, name):
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(b"".join(line + b"\r\n" for line in self.lines))

    # --- headers

    def marked(self, number, title, uid, name, mark="●", tail=" 04/02 21:14"):
        self.add(sj("  " + mark) + b"%05d     " % number + cut(title, 32) + b" %4d " % uid
                 + cut(name, 16) + sj(tail))
        self.add()

    def marked_res(self, number, answered, title, uid, name):
        self.add(sj("  ●") + b"%05d res" % number + b" " * 38 + b"%05d" % answered)
        self.add(sj("  ○") + b" " * 10 + cut(title, 32) + b" %4d " % uid + cut(name, 16))
        self.add()

    def mail(self, index, title, uid, name):
        self.add(sj("  ●") + b"%04d     " % index + cut(title, 32) + b" %4d " % uid + cut(name, 16))
        self.add()

    def mail_res(self, index, answered, title, uid, name):
        self.add(sj("  ●") + b"%04d res" % index + b" " * 39 + b"%05d" % answered)
        self.add(b" " * 13 + cut(title, 32) + b" %4d " % uid + cut(name, 16))
        self.add()

    def counted(self, number, title, uid, name, body):
        self.add(b"#Fc.%05d     " % number + cut(title, 32) + b" %4d " % uid + cut(name, 16)
                 + b" 04/02" + b"%4d" % len(body))
        self.add("－－－－－－－－－－－－－－－－－－－－")
        for line in body:
            self.add(line)

    def counted_res(self, number, answered, title, uid, name, body):
        self.add(b"#Fc.%05d res" % number + b" " * 38 + b"%05d" % answered)
        self.add(b" " * 14 + cut(title, 32) + b" %4d " % uid + cut(name, 16) + b" 04/02"
                 + b"%4d" % len(body))
        self.add("－－－－－－－－－－－－－－－－－－－－")
        for line in body:
            self.add(line)

    def file_entry(self, counted, number, file, size, note):
        lead = b"#Fc." if counted else sj("  ●")
        self.add(lead + b"%05d    " % number + cut(file, 12) + b"%4dK 04/01 " % size + cut(note, 40))

    def closing(self):
        self.add("●１●次 ●２●前 ●３●再読 ●４●返信 ●５●終了")

    def body(self, text):
        self.many(text)

    # --- host chatter

    def greeting(self):
        self.add("ATDT 06-9876-5432")
        self.add("CONNECT 14400/ARQ")
        self.add()
        # The last 20 bytes are the line's channel tag, not the host's name.
        self.add(sj("Ｔhank you for accessing to ペラリン・ネット") + cut("  [CH-07 14400bps]", 20))
        self.add("ID: 1234")
        self.add("Password:")
        self.add()

    def logout(self):
        self.add("[ ＢbsＦ ] コマンド？ BYE")
        self.add("ご利用ありがとうございました。")
        self.add("接続時間　00:18:42")
        self.add("NO CARRIER")


def session_0402():
    log = Log()
    log.greeting()
    log.add("前回の接続：1996/03/30 22:10")
    log.add("未読メールが 2 通あります。")
    log.add()

    log.add("[ ＢbsＦ ] 掲示板番号を選んでください R")
    log.add()
    log.marked(7, "四月の運用予定", 1, "シスオペ")
    log.body("""
四月は毎週水曜日の深夜二時から四時まで保守のため停止します。
ご迷惑をおかけしますが、よろしくお願いいたします。
""")
    log.closing()

    log.add("● [ BBS3 雑談の広場 ]（未読 3 件）")
    log.add()
    log.marked(104, "花見に行ってきました", 3003, "鈴木一郎")
    log.body("""
日曜日に近所の公園で花見をしてきました。
八分咲きで、ちょうど良い頃でした。

来週はもう散ってしまいそうですね。
""")
    log.closing()
    log.marked_res(105, 104, "花見に行ってきました", 1001, "山田太郎")
    log.body("""
> 八分咲きで、ちょうど良い頃でした。
うらやましいです。こちらはまだ三分咲きです。
""")
    log.closing()
    log.marked(106, "新しいモデム", 2002, "佐藤花子", mark="○")
    log.body("""
１４４００ｂｐｓのモデムに買い替えました。
ログの取り込みがずいぶん速くなりました。
""")
    log.closing()
    log.add("[ Ｂbs３ ] コマンド？ E")
    log.add()

    log.add("● [ CUG8 鉄道同好会 ]")
    log.add("[ Ｂbs８ ] 一括取得を開始します")
    log.counted(31, "春の臨時列車", 6006, "中村", [
        "今年も春の臨時列車が走ります。",
        "時刻表の四月号に載っています。",
    ])
    log.counted_res(32, 31, "春の臨時列車", 7007, "小林", [
        "情報ありがとうございます。",
        "さっそく切符を手配します。",
        "",
    ])
    log.counted(33, "写真の交換会", 6006, "中村", [])
    log.add("[ Ｂbs８ ] 一括取得を終了しました")
    log.add()

    log.add("● [ BBS21(IBBS88) 全国パソコン通信 ]")
    log.add()
    log.marked(512, "通信ソフトの設定", 4004, "高橋")
    log.body("""
漢字コードはシフトＪＩＳ、改行はＣＲ＋ＬＦにしています。
ログは毎回別のファイルに取っています。
""")
    log.closing()
    log.add("[ Ｂbs２１ ] 次？ N")
    log.marked_res(513, 512, "通信ソフトの設定", 5005, "伊藤")
    log.body("""
私も同じ設定です。
取り込んだログはまとめて読んでいます。
""")
    log.closing()
    log.add("[ Ｂbs２１ ] コマンド？ E")
    log.add()

    log.add("● [ IBBS120 全国グルメ情報 ]")
    log.add()
    log.marked(2048, "おすすめのラーメン屋", 8008, "渡辺まさし")
    log.body("""
駅前に新しくできたお店がおいしいです。
しょうゆ味がおすすめです。
""")
    log.closing()
    log.add("[ Ｉbbs１２０ ] コマンド？ E")
    log.add()

    log.add("● [ FSW2 ツール・ユーティリティ ]")
    log.add("[ Ｆsw ２ ] コマンド？ L")
    log.file_entry(True, 41, "TXTFMT.LZH", 18, "テキスト整形ツール　Ver1.20")
    log.add("－－－－－－－－－－－－－－－－－－－－")
    log.add("長い行を指定の桁で折り返します。")
    log.add("禁則処理にも対応しました。")
    log.file_entry(True, 42, "LOGCUT.LZH", 9, "ログ分割ツール")
    log.add("－－－－－－－－－－－－－－－－－－－－")
    log.add("大きなログを日付ごとに分けます。")
    log.add("[ AUTO ] ファイル一覧を終了します")
    log.add("[ Ｆsw ２ ] コマンド？ R 40")
    log.file_entry(False, 40, "KANJI.DOC", 4, "漢字コード表の解説")
    log.add()
    log.body("""
シフトＪＩＳとＪＩＳとＥＵＣの対応表です。
テキストファイルなのでそのまま読めます。
""")
    log.closing()
    log.add("[ Ｆsw ２ ] コマンド？ E")
    log.add()

    log.add("[ Ｍail ] 未読メール 2 通")
    log.mail(1, "オフ会の会場", 2002, "佐藤花子")
    log.body("""
山田さん
オフ会の会場は駅前の喫茶店に決まりました。
十四日の午後二時からです。
佐藤
""")
    log.add("● 受け取り確認メッセージを送りますか？ (Y/N)")
    log.add("N")
    log.mail_res(2, 9, "資料の件", 4004, "高橋")
    log.body("""
資料を受け取りました。ありがとうございます。
来週中に目を通しておきます。
""")
    log.closing()
    log.add("[ Ｍail ] コマンド？ E")
    log.logout()
    log.write("pelnet-0402.log")


def session_0403():
    # Goes straight to the linked board: only a drop after pelnet-0402.log knows
    # that its prompt means IBBS 88.
    log = Log()
    log.greeting()
    log.add("[ Ｂbs２１ ] コマンド？ R")
    log.add()
    log.marked(514, "ログの整理", 1001, "山田太郎")
    log.body("""
ログは月ごとのフォルダに分けて保存しています。
古いものは圧縮しておくと場所を取りません。
""")
    log.closing()
    log.marked_res(515, 513, "通信ソフトの設定", 4004, "高橋")
    log.body("""
> 取り込んだログはまとめて読んでいます。
同じですね。読むのは週末にまとめてです。
""")
    log.closing()
    log.add("[ Ｂbs２１ ] コマンド？ E")
    log.add()
    log.add("[ Ｍail ] 未読メール 1 通")
    log.mail(1, "オフ会の件", 3003, "鈴木一郎")
    log.body("""
山田さん
十四日のオフ会、参加します。
鈴木
""")
    log.closing()
    log.add("[ Ｍail ] コマンド？ E")
    log.logout()
    log.write("pelnet-0403.log")


def board(number, kind, name, count):
    """One line of the host's board table."""
    if number == "F":
        field = " Ｆ "
    elif number < 10:
        field = " " + "０１２３４５６７８９"[number] + " "
    elif number < 100:
        field = "０１２３４５６７８９"[number // 10] + "０１２３４５６７８９"[number % 10]
    else:
        field = "%4d" % number
    return b"[" + sj(field) + b"][" + cut(kind, 8) + b"][ " + cut(name, 20) + b" ](" + b"%4d)" % count


def member(number, uid, name, sex, place):
    """One line of the host's member table."""
    return b"  (%03d) ID%04d " % (number, uid) + cut(name, 16) + b" " + sj(sex + " " + place)


def session_lists():
    # Only the host's tables, no message: loading it says "No Message !".
    log = Log()
    log.greeting()
    log.add("[ ＢbsＦ ] コマンド？ L")
    log.add("[番号][種別    ][ 掲示板名              ](件数)")
    for line in (board("F", "BBS", "運営からのお知らせ", 12), board(3, "BBS", "雑談の広場", 106),
                 board(5, "BBS", "パソコン相談室", 211), board(8, "CUG", "鉄道同好会", 33),
                 board(12, "BBS", "全国の話題", 45), board(21, "BBS", "全国パソコン通信", 515),
                 board(120, "IBBS", "全国グルメ情報", 2048)):
        log.add(line)
    log.add()
    log.add("[ ＢbsＦ ] コマンド？ U")
    log.add("会員一覧（ＩＤ順）")
    for line in (member(1, 1, "シスオペ", "♂", "大阪府"), member(2, 1001, "山田太郎", "♂", "東京都"),
                 member(3, 2002, "佐藤花子", "♀", "神奈川県"), member(4, 3003, "鈴木一郎", "♂", "埼玉県"),
                 member(5, 4004, "高橋", "♂", "千葉県"), member(6, 5005, "伊藤", "♀", "京都府"),
                 member(7, 6006, "中村", "♂", "愛知県"), member(8, 7007, "小林", "♀", "兵庫県"),
                 member(9, 8008, "渡辺まさし", "♂", "北海道")):
        log.add(line)
    log.add()
    log.logout()
    log.write("pelnet-lists.log")


if __name__ == "__main__":
    session_0402()
    session_0403()
    session_lists()
