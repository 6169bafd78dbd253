#!/usr/bin/env python3
"""Writes a DAYRUR report (daily operations on clients' rouble accounts) with
the given number of clients and operations per client, in Windows-1251.

    make_dayrur.py CLIENTS OPERATIONS OUTPUT.xml [--stylesheet HREF] [--seed N]

The same generator makes the bundled example and the benchmark reports, so
both look like what a bank's system sends.
"""
import argparse
import random
from xml.sax.saxutils import quoteattr, escape

FORMS = ["ООО", "АО", "ПАО", "ИП", "ЗАО"]
NAMES = ["Ромашка", "Северный ветер", "Вектор", "Альтаир", "Меридиан", "Полюс", "Гранит",
         "Ладога", "Восход", "Кристалл", "Прогресс", "Сибирь", "Уралтранс", "Балтика",
         "Инвестстрой", "Агрохолдинг", "Техноснаб", "Медиана", "Орион", "Стрела"]
PARTIES = ["УФК по г. Москве (ИФНС России № 7)", "ПАО «Ростелеком»", "ООО «Энергосбыт»",
           "АО «Мосводоканал»", "ООО «Логистик-Центр»", "ИП Иванов Петр Сергеевич",
           "ООО «Канцторг»", "АО «Почта России»", "ООО «СтройИнвест»", "ПАО «Сбербанк»"]
PURPOSES = ["Оплата по счету № {n} от {d}. В т.ч. НДС 20% - {v} руб.",
            "Налог на доходы физических лиц за ноябрь 2026 г.",
            "Возврат излишне перечисленных средств по договору № {n}",
            "Оплата услуг связи за ноябрь 2026 г. по договору {n}",
            "Поступление выручки от реализации товаров по договору № {n}",
            "Заработная плата за первую половину декабря 2026 г. Без НДС",
            "Арендная плата за декабрь 2026 г. по договору аренды № {n}"]
BICS = ["044525225", "044525593", "044525974", "044030653", "046577964"]


def client_name(i, rnd):
    base = NAMES[i % len(NAMES)]
    suffix = "" if i < len(NAMES) else f"-{i // len(NAMES) + 1}"
    return f"{FORMS[i % len(FORMS)]} «{base}{suffix}»"


def account(rnd, prefix="40702810"):
    return prefix + "".join(str(rnd.randrange(10)) for _ in range(12))


def money(rnd, low, high):
    return f"{rnd.randrange(low * 100, high * 100) / 100:.2f}"


def main():
    p = argparse.ArgumentParser()
    p.add_argument("clients", type=int)
    p.add_argument("operations", type=int)
    p.add_argument("output")
    p.add_argument("--stylesheet", default="dayrur.xsl")
    p.add_argument("--seed", type=int, default=2026)
    a = p.parse_args()
    rnd = random.Random(a.seed)
    out = []
    w = out.append
    w('<?xml version="1.0" encoding="windows-1251"?>\n')
    w(f'<?xml-stylesheet type="text/xsl" href={quoteattr(a.stylesheet)}?>\n')
    w('<report code="DAYRUR" date="2026-12-07" created="08.12.2026 06:15:02"'
      ' bank="АО «Северный расчетный банк»" branch="Операционный департамент, г. Москва"'
      ' executor="Смирнова О. В., тел. (495) 123-45-67">\n')
    for c in range(a.clients):
        w(f'  <client name={quoteattr(client_name(c, rnd))} account="{account(rnd)}"'
          f' inn="77{rnd.randrange(10**8):08d}" opening="{money(rnd, 1000, 9000000)}">\n')
        for o in range(a.operations):
            n = rnd.randrange(1, 9999)
            doc = f"{n:06d}" if rnd.random() < 0.3 else str(n)
            amount = money(rnd, 10, 2500000)
            side = "debit" if rnd.random() < 0.6 else "credit"
            purpose = rnd.choice(PURPOSES).format(n=n, d=f"{rnd.randrange(1, 28):02d}.11.2026",
                                                  v=f"{float(amount) / 6:.2f}".replace(".", "-"))
            w(f'    <op date="2026-12-07" doc="{doc}" vo="{rnd.choice(["01", "02", "06", "17"])}"'
              f' bic="{rnd.choice(BICS)}" corr="{account(rnd, rnd.choice(["40702810", "40101810", "30101810", "40817810"]))}"'
              f' party={quoteattr(rnd.choice(PARTIES))} {side}="{amount}">{escape(purpose)}</op>\n')
        w('  </client>\n')
    w('</report>\n')
    with open(a.output, "w", encoding="windows-1251", newline="\r\n") as f:
        f.write("".join(out))


if __name__ == "__main__":
    main()
