-- The sample database: a small order book with related tables, a few thousand rows, dates and
-- time stamps, NULLs and a long text column. Every value is computed, so the database is the same
-- on every machine. Run with: tnxsql --create sample.db -f examples/sample/sample.sql

create table regions (
    region_id   integer primary key,
    name        varchar(30) not null unique
);

create table customers (
    customer_id  integer primary key,
    name         varchar(40) not null,
    city         varchar(30),
    region_id    integer not null references regions (region_id),
    since        date not null,
    credit_limit decimal(12, 2)            -- NULL: no limit agreed
);

create table products (
    product_id   integer primary key,
    name         varchar(40) not null,
    price        decimal(10, 2) not null,
    discontinued bit not null default 0
);

create table orders (
    order_id     integer primary key,
    customer_id  integer not null references customers (customer_id),
    ordered_at   timestamp not null,
    shipped      date,                     -- NULL: not shipped yet
    notes        long varchar              -- NULL for most orders; long for a few
);

create table order_items (
    order_id     integer not null references orders (order_id),
    line_no      integer not null,
    product_id   integer not null references products (product_id),
    quantity     integer not null,
    primary key (order_id, line_no)
);

insert into regions (region_id, name) values
    (1, 'North'), (2, 'South'), (3, 'East'), (4, 'West'), (5, 'Central');

insert into customers (customer_id, name, city, region_id, since, credit_limit)
select n,
       'Customer ' || substr('0000' || n, -4),
       case n % 7 when 0 then 'Berlin' when 1 then 'Lyon' when 2 then 'Porto' when 3 then 'Turku'
                  when 4 then 'Graz' when 5 then 'Gent' else null end,
       1 + n % 5,
       date('2015-01-01', '+' || ((n * 37) % 3000) || ' days'),
       case when n % 4 = 0 then null else 1000 * (1 + n % 20) end
from (with recursive seq(n) as (select 1 union all select n + 1 from seq where n < 500) select n from seq);

insert into products (product_id, name, price, discontinued)
select n,
       'Product ' || char(65 + n % 26) || '-' || n,
       round(2.5 + ((n * 7919) % 20000) / 100.0, 2),
       case when n % 11 = 0 then 1 else 0 end
from (with recursive seq(n) as (select 1 union all select n + 1 from seq where n < 60) select n from seq);

insert into orders (order_id, customer_id, ordered_at, shipped, notes)
select n,
       1 + (n * 131) % 500,
       datetime('2023-01-01 08:00:00', '+' || ((n * 7841) % 525600) || ' minutes'),
       case when n % 9 = 0 then null
            else date('2023-01-01', '+' || (((n * 7841) % 525600) / 1440 + 1 + n % 5) || ' days') end,
       case when n % 250 = 0
            then 'Delivery instructions: ' || substr(replace(hex(zeroblob(400)), '00',
                 'leave the parcel with the neighbour at number ' || (n % 97) || '; '), 1, 4000 + n)
            when n % 50 = 0 then 'Call before delivery.'
            else null end
from (with recursive seq(n) as (select 1 union all select n + 1 from seq where n < 3000) select n from seq);

insert into order_items (order_id, line_no, product_id, quantity)
select o.order_id, l.line_no, 1 + (o.order_id * 17 + l.line_no * 23) % 60, 1 + (o.order_id + l.line_no) % 9
from orders o
join (select 1 as line_no union all select 2 union all select 3) l
  on l.line_no <= 1 + o.order_id % 3;

commit;
